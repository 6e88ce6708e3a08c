// The install dialog with its two folder choosers, and the about box.
#pragma once

#include <string>

#include "framework/Afx.h"
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
