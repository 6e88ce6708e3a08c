#include "Zandrel2OutcomeDlg.h"

#include <cctype>
#include <string>
#include <vector>

#include "frontend/Browser.h"
#include "frontend/CatalogAddress.h"
#include "frontend/InstallReport.h"
#include "installer/InstallContext.h"

CInstallOutcomeDlg::CInstallOutcomeDlg(UINT templateId, CWnd* pParent) : CDialog(templateId, pParent) {}

void CInstallOutcomeDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_OUTCOME_HEADLINE, m_headline);
  DDX_Text(pDX, IDC_OUTCOME_DETAILS, m_details);
}

BEGIN_MESSAGE_MAP(CInstallOutcomeDlg, CDialog)
  ON_BN_CLICKED(IDC_OPEN_CATALOG, OnOpenCatalog)
END_MESSAGE_MAP()

BOOL CInstallOutcomeDlg::OnInitDialog() {
  // The outcome and the program, as a taskbar or a window list shows it.
  SetWindowText((m_headline.GetString() + std::string(" - ") + AfxGetApp()->m_pszAppName).c_str());
  const BOOL focusFirst = CDialog::OnInitDialog();
  SetDlgItemIcon(IDC_OUTCOME_ICON, AfxGetApp()->LoadStandardIcon(m_headlineIcon));
  FitDlgItemToText(IDC_OUTCOME_DETAILS);
  return focusFirst;
}

void CInstallOutcomeDlg::OnOpenCatalog() {
  // The window stays: the address and the details are still there to read.
  if (std::string problem; !desktop::OpenInBrowser(m_catalogAddress, problem)) {
    MessageBox(("The catalog could not be opened at " + m_catalogAddress + ": " + problem).c_str());
  }
}

namespace {

// A line of the details as a sentence starts: with a capital.
std::string Sentence(std::string line) {
  if (!line.empty()) line.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(line.front())));
  return line;
}

}  // namespace

void ShowOutcome(CDialog& owner, InstallOutcome outcome, const InstallDetails& details, InstallLog& log,
                 const std::string& installDir, const served::Verdict* verdict) {
  const bool installed = outcome == InstallOutcome::kInstalled;
  CInstallOutcomeDlg window(installed ? IDD_OUTCOME : IDD_OUTCOME_FAILED, &owner);
  std::vector<std::string> lines;
  switch (outcome) {
    case InstallOutcome::kInstalled:
      window.m_headline = "Installed";
      // The address the check found, where it ran: the configuration is read once.
      window.m_catalogAddress =
          verdict != nullptr ? verdict->address : address::CatalogAddress(installDir, g_catalogRoot);
      lines = {report::CopiedText(details), report::FolderLines(), "Address: " + window.m_catalogAddress};
      // Whether the server serves it, a line of its own: "Served at …", "Not served: …".
      if (verdict != nullptr && !verdict->line.empty()) {
        lines.push_back(Sentence(verdict->line));
      }
      break;
    case InstallOutcome::kStopped:
      window.m_headline = "Stopped";
      window.m_headlineIcon = IDI_WARNING;
      lines = {"Copied before the stop: " + report::CopiedText(details) + ".",
               "What was copied stays; the catalog the server serves now is incomplete until the next Copy "
               "completes it.",
               report::FolderLines()};
      break;
    case InstallOutcome::kCopyFailed:
      window.m_headline = "Not installed completely";
      window.m_headlineIcon = IDI_WARNING;
      lines = report::LeftOutLines(details);
      lines.insert(lines.begin(), "Copied: " + report::CopiedText(details) + ".");
      lines.push_back("The next Copy tries them again.");
      lines.push_back(report::FolderLines());
      break;
    case InstallOutcome::kPreparationFailed:
      window.m_headline = "Not installed";
      window.m_headlineIcon = IDI_ERROR;
      lines = {Sentence(report::PreparationProblem(details))};
      // The user's terms and the next step first, the details below.
      if (const std::string next = report::WhatToDo(details, report::FrontEnd::kWindow); !next.empty()) {
        lines.insert(lines.begin(), next);
      }
      break;
  }
  // The log takes a line at a time: a text of several lines (the folders) is split.
  for (const std::string& text : lines) {
    for (std::size_t start = 0; start <= text.size();) {
      const std::size_t end = std::min(text.find("\r\n", start), text.size());
      log.Note(std::string_view(text).substr(start, end - start));
      start = end + 2;
    }
  }
  const std::string logProblem = log.Problem();
  lines.push_back(!logProblem.empty()     ? "No log was written: " + logProblem
                  : log.Path().empty() ? "No log was written."
                                       : "Log: " + log.Path());
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  window.m_details = text.c_str();
  window.DoModal();
}
