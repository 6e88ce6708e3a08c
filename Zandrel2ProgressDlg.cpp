#include "Zandrel2ProgressDlg.h"

#include <string>

#include "frontend/InstallReport.h"
#include "frontend/ProgressText.h"
#include "installer/InstallContext.h"
#include "installer/SystemPath.h"
#include "installer/TextEncoding.h"

namespace {
constexpr const char* kStopping = "Stopping...";
}  // namespace

CInstallProgressDlg::CInstallProgressDlg(InstallProgress& progress, CWnd* pParent)
    : CWorkDialog(CInstallProgressDlg::IDD, pParent, static_cast<UINT>(kProgressRedrawInterval.count())), m_progress(progress), m_pOwner(pParent) {}

void CInstallProgressDlg::DoDataExchange(CDataExchange* pDX) {
  CWorkDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_PROGRESS_DESTINATION, m_destination);
  DDX_Text(pDX, IDC_PROGRESS_FILE, m_currentFile);
  DDX_Progress(pDX, IDC_PROGRESS_BAR, m_shareDone);
  DDX_Text(pDX, IDC_PROGRESS_FILES, m_fileCount);
  DDX_Text(pDX, IDC_PROGRESS_TIMES, m_times);
}

BEGIN_MESSAGE_MAP(CInstallProgressDlg, CWorkDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()

BOOL CInstallProgressDlg::OnInitDialog() {
  // What is going on, and in which program, as a taskbar or a window list shows it.
  SetWindowText((std::string("Installing the catalog - ") + AfxGetApp()->m_pszAppName).c_str());
  // Where the files go, as this system names the folder (on Linux, its Linux path).
  const std::string folder = CatalogFolder();
  const std::string onSystem = files::SystemPath(folder.c_str());
  m_destination = ("Into " + files::ShownText(onSystem.empty() ? folder : onSystem)).c_str();
  m_fileCount = FormatFileCount(m_progress.Read()).c_str();
  return CWorkDialog::OnInitDialog();
}

void CInstallProgressDlg::OnTimer(UINT nIDEvent) {
  if (nIDEvent != kProgressTimer) return;
  const InstallProgress::Snapshot now = WithinTotals(m_progress.Read());
  if (!now.started) return;  // the copy has not begun
  const std::optional<std::chrono::seconds> left = m_timeLeft.Update(now);
  if (m_progress.StopRequested()) {
    m_times = kStopping;
  } else {
    if (!now.currentFile.empty()) m_currentFile = report::Readable(now.currentFile).c_str();
    m_times = FormatTimes(now, left).c_str();
  }
  m_shareDone = now.counted ? ShareDone(now, port::kProgressScale) : port::kProgressBusy;
  m_fileCount = FormatFileCount(now).c_str();
  UpdateData(FALSE);
  if (m_pOwner != nullptr) m_pOwner->SetTaskbarProgress(m_shareDone);
}

void CInstallProgressDlg::StopWork() { m_progress.RequestStop(); }

void CInstallProgressDlg::OnCancel() {
  StopWork();
  EnableDlgItem(IDCANCEL, FALSE);
  m_times = kStopping;
  UpdateData(FALSE);
}
