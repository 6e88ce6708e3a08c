// The install dialog with its two folder choosers, and the about box.
#pragma once

#include "framework/Afx.h"
#include "installer/InstallProgress.h"
#include "res/Resource.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

  enum { IDD = IDD_ABOUTBOX };

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  DECLARE_MESSAGE_MAP()
};

class CZandrel2Dlg : public CDialog {
 public:
  explicit CZandrel2Dlg(CWnd* pParent = nullptr);

  enum { IDD = IDD_ZANDREL2_DIALOG };
  CString m_installDir;
  CString m_cdDrive;

  // "Copy": the install request.
  void OnOK() override;

 protected:
  HICON m_hIcon;

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnBrowseCdDrive();
  void OnBrowseInstallDir();
  void OnChangeInstallDir();
  void OnChangeCdDrive();

  DECLARE_MESSAGE_MAP()
};

// The progress window of an install: runs the copy on its worker thread, shows how far
// it has come, and asks it to stop on Stop, Esc or the close box.
class CInstallProgressDlg : public CWorkDialog {
 public:
  CInstallProgressDlg(InstallProgress& progress, CWnd* pParent);

  enum { IDD = IDD_PROGRESS };
  CString m_currentFile;
  int m_shareDone = 0;  // thousandths of the bytes
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

  DECLARE_MESSAGE_MAP()
};
