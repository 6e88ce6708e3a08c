// The install dialog with its two folder choosers, and the about box.
#pragma once

#include <string>

#include "framework/Afx.h"
#include "frontend/ProgressText.h"
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
  void StopWork() override;

  DECLARE_MESSAGE_MAP()
};

// The outcome of an install, shown where the progress window was: what was installed
// and where, or why it was not, in details the user can select and copy. Close, the
// default, ends it; for an installed catalog, "Open the catalog" opens its front page
// in the browser.
class CInstallOutcomeDlg : public CDialog {
 public:
  // IDD_OUTCOME for an installed catalog, IDD_OUTCOME_FAILED otherwise.
  CInstallOutcomeDlg(UINT templateId, CWnd* pParent);

  CString m_headline;
  CString m_details;  // lines ending in CR LF
  std::string m_catalogAddress;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOpenCatalog();

  DECLARE_MESSAGE_MAP()
};
