#include "Zandrel2Dlg.h"

#include <algorithm>
#include <string_view>

#include "Zandrel2.h"
#include "Zandrel2OutcomeDlg.h"
#include "Zandrel2ProgressDlg.h"
#include "frontend/CatalogAddress.h"
#include "frontend/ServedCheck.h"
#include "installer/InstallContext.h"
#include "installer/InstallLog.h"
#include "installer/InstallRequest.h"
#include "installer/StandardOutput.h"
#include "res/Version.h"

namespace {

// The install request's notices, as message boxes of the install dialog; an install
// that ends well shows its outcome before the dialog ends.
class DialogNotices : public InstallNotices {
 public:
  DialogNotices(CDialog& dialog, InstallLog& log, const InstallDetails& details, const std::string& installDir)
      : m_dialog(dialog), m_log(log), m_details(details), m_installDir(installDir) {}
  void ShowNotice(const char* text) override {
    m_log.Note(text);
    m_dialog.MessageBox(text, nullptr, MB_OK);
  }
  void FinishWithOk() override {
    ShowOutcome(m_dialog, InstallOutcome::kInstalled, m_details, m_log, m_installDir, &m_verdict);
    m_dialog.CDialog::OnOK();
  }
  void WaitForCopy(const std::function<void(InstallProgress*)>& copy) override {
    InstallProgress progress;
    CInstallProgressDlg window(progress, &m_dialog);
    // A whole copy is followed by the check that the server serves it, on the same
    // worker: Stop and the close box end the check at once, as they end the copy.
    window.RunWork([&] {
      copy(&progress);
      if (progress.Stopped() || m_details.copyFailures != 0) return;
      const address::CatalogPlace place = address::FindCatalog(m_installDir, g_catalogRoot);
      m_verdict = served::Check(place, m_installDir, [&progress] { return progress.StopRequested(); });
    });
    m_dialog.SetTaskbarProgress(-1);
    m_closeRequested = window.CloseRequested();
  }
  // Whether the copy was stopped by a close box: the outcome's Close then ends the program.
  bool CloseRequested() const { return m_closeRequested; }

 private:
  CDialog& m_dialog;
  InstallLog& m_log;
  const InstallDetails& m_details;
  const std::string& m_installDir;
  served::Verdict m_verdict;
  bool m_closeRequested = false;
};

// Once the chooser is up, selects the folder handed over as the hook's data, if any.
int BrowseCallbackProc(ChooserHandle chooser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessage(chooser, BFFM_SETSELECTION, TRUE, data);
  return 0;
}

// Both "Browse" buttons ask the same question, from the desktop, with no owner.
ItemIdList BrowseForFolder() {
  char displayName[MAX_PATH] = {};
  BROWSEINFO info{nullptr, nullptr, displayName, "Select the Folder of Apache2", BIF_RETURNONLYFSDIRS,
                  &BrowseCallbackProc, 0, 0};
  return SHBrowseForFolder(&info);
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(CAboutDlg::IDD) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CZandrel2Dlg::CZandrel2Dlg(CWnd* pParent)
    : CDialog(CZandrel2Dlg::IDD, pParent), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME)) {}

void CZandrel2Dlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_INSTALL_DIR, m_installDir);
  DDX_Text(pDX, IDC_CD_DRIVE, m_cdDrive);
}

BEGIN_MESSAGE_MAP(CZandrel2Dlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_BN_CLICKED(IDC_BROWSE_CD, OnBrowseCdDrive)
  ON_BN_CLICKED(IDC_BROWSE_INSTALL, OnBrowseInstallDir)
  ON_EN_CHANGE(IDC_INSTALL_DIR, OnChangeInstallDir)
  ON_EN_CHANGE(IDC_CD_DRIVE, OnChangeCdDrive)
END_MESSAGE_MAP()

BOOL CZandrel2Dlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (CMenu* pSysMenu = GetSystemMenu(FALSE); pSysMenu != nullptr) {
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.IsEmpty()) {
      pSysMenu->AppendMenu(MF_SEPARATOR);
      pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  UpdateData(TRUE);
  m_cdDrive = "D:\\";
  g_cdPath.Format("%s", m_cdDrive);
  m_installDir = "C:\\Apache2";
  // Writes the defaults into the fields without running a change handler, so the
  // catalog root stays empty until the install field changes or "Copy" composes it.
  UpdateData(FALSE);

  return TRUE;
}

void CZandrel2Dlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    CDialog::OnSysCommand(nID, lParam);
  }
}

void CZandrel2Dlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    // Signed division: a client two pixels narrower than the icon gives 0, three give -1.
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
  } else {
    CDialog::OnPaint();
  }
}

HCURSOR CZandrel2Dlg::OnQueryDragIcon() { return m_hIcon; }

void CZandrel2Dlg::OnOK() {
  // Each install writes a log of its own: a desktop launch shows no standard output.
  InstallLog log = InstallLog::InLogFolder();
  log.FollowTrace();
  const char* name = AfxGetApp() != nullptr ? AfxGetApp()->m_pszAppName : nullptr;
  log.NoteStart(name != nullptr ? name : "zandrel2", ZANDREL2_VERSION_TEXT, g_cdPath.Text(), m_installDir.GetString());
  InstallDetails details;
  const std::string installDir = m_installDir.GetString();
  DialogNotices notices(*this, log, details, installDir);
  const InstallOutcome outcome = RunInstallRequest(installDir, notices, &details);
  // An install that ended well has shown its outcome already; one that did not shows
  // why after its notice.
  if (outcome != InstallOutcome::kInstalled) ShowOutcome(*this, outcome, details, log, installDir);
  log.Note(outcome == InstallOutcome::kInstalled ? "installed" : "not installed");
  // A copy stopped by a close box: the user meant to leave, and leaves with the outcome.
  if (outcome == InstallOutcome::kStopped && notices.CloseRequested()) CDialog::OnCancel();
}

void CZandrel2Dlg::OnBrowseCdDrive() {
  ItemIdList chosen = BrowseForFolder();
  UpdateData(TRUE);
  // A cancelled chooser converts to nothing and leaves the field and the CD root as they are.
  if (SHGetPathFromIDList(chosen.get(), g_browsePath)) {
    m_cdDrive = g_browsePath.data();
    g_cdPath.Format("%s", m_cdDrive);
  }
  UpdateData(FALSE);
  chosen.reset();
}

void CZandrel2Dlg::OnBrowseInstallDir() {
  ItemIdList chosen = BrowseForFolder();
  UpdateData(TRUE);
  // The catalog root is not recomputed here: the install request composes it anyway.
  if (SHGetPathFromIDList(chosen.get(), g_browsePath)) m_installDir = g_browsePath.data();
  UpdateData(FALSE);
  chosen.reset();
}

void CZandrel2Dlg::OnChangeInstallDir() {
  UpdateData(TRUE);
  SetCatalogRoot(m_installDir.GetString());
}

void CZandrel2Dlg::OnChangeCdDrive() {
  UpdateData(TRUE);
  g_cdPath.Format("%s", m_cdDrive);
}
