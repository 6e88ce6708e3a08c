// The outcome window of an install, and what it shows for each way an install ends.
#pragma once

#include <string>

#include "framework/Afx.h"
#include "frontend/ServedCheck.h"
#include "installer/InstallLog.h"
#include "installer/InstallRequest.h"
#include "res/Resource.h"

// The outcome of an install, shown where the progress window was: what was installed
// and where, or why it was not, in details the user can select and copy. Close, the
// default, ends it; for an installed catalog, "Open the catalog" opens its front page
// in the browser.
class CInstallOutcomeDlg : public CDialog {
 public:
  // IDD_OUTCOME for an installed catalog, IDD_OUTCOME_FAILED otherwise.
  CInstallOutcomeDlg(UINT templateId, CWnd* pParent);

  CString m_headline;
  UINT m_headlineIcon = IDI_INFORMATION;  // the system's icon for the outcome
  CString m_details;  // lines ending in CR LF
  std::string m_catalogAddress;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOpenCatalog();

  DECLARE_MESSAGE_MAP()
};

// Shows what an install request came to, after its notices, over `owner`, and notes the
// same in the log.
// For an installed catalog, `verdict` tells whether the server serves it.
void ShowOutcome(CDialog& owner, InstallOutcome outcome, const InstallDetails& details, InstallLog& log,
                 const std::string& installDir, const served::Verdict* verdict = nullptr);
