// The progress window of an install.
#pragma once

#include "framework/Afx.h"
#include "frontend/ProgressText.h"
#include "installer/InstallProgress.h"
#include "res/Resource.h"

// The progress window of an install: runs the copy on its worker thread, shows how far
// it has come, and asks it to stop on Stop, Esc or the close box.
class CInstallProgressDlg : public CWorkDialog {
 public:
  CInstallProgressDlg(InstallProgress& progress, CWnd* pParent);

  enum { IDD = IDD_PROGRESS };
  CString m_destination;  // the folder the catalog goes into
  CString m_currentFile;
  int m_shareDone = port::kProgressBusy;  // thousandths of the bytes; busy while they are counted
  CString m_fileCount;
  CString m_times;

 protected:
  InstallProgress& m_progress;
  TimeLeftEstimate m_timeLeft;
  CWnd* m_pOwner;

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnTimer(UINT nIDEvent);
  // "Stop": the copy ends, abandoning the file being copied; the window closes then.
  void OnCancel() override;
  void StopWork() override;

  DECLARE_MESSAGE_MAP()
};
