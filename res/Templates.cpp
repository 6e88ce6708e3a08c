#include "framework/Resources.h"

#include "framework/Types.h"
#include "res/Resource.h"

namespace res {
namespace {

using namespace style;

// The dialogs' Japanese Gothic font.
constexpr const char* kDialogFont = "ＭＳ Ｐゴシック";

constexpr ControlTemplate kAboutControls[] = {
    {-1, ControlKind::kIcon, "", 11, 17, 20, 20, kIcon, IDR_MAINFRAME},
    {-1, ControlKind::kText, "Zandrel2 Version 1.0", 40, 10, 119, 8, kLeft | kNoPrefix | kGroup},
    // "Catalog CD installer for Apache2", in Japanese.
    {-1, ControlKind::kText, "Apache2 へのカタログ CD インストーラ", 40, 25, 119, 8, kLeft | kGroup},
    {IDOK, ControlKind::kPushButton, "OK", 178, 7, 50, 14, kDefPushButton | kGroup | kTabStop},
};

constexpr ControlTemplate kInstallControls[] = {
    {IDOK, ControlKind::kPushButton, "Copy", 261, 117, 50, 14, kDefPushButton | kTabStop},
    {IDCANCEL, ControlKind::kPushButton, "Cancel", 201, 117, 50, 14, kTabStop},
    // Each label comes just before its field: it names the field and its mnemonic
    // moves the focus there.
    {-1, ControlKind::kText, "&CD Drive Name", 29, 13, 67, 10, kLeft | kGroup},
    {IDC_CD_DRIVE, ControlKind::kEdit, "", 29, 27, 27, 18, kLeft | kBorder | kTabStop},
    {IDC_BROWSE_CD, ControlKind::kPushButton, "Browse", 61, 27, 39, 17, kTabStop, 0, "Browse for the CD Drive"},
    {-1, ControlKind::kText, "&Install Directory", 31, 55, 67, 10, kLeft | kGroup},
    {IDC_INSTALL_DIR, ControlKind::kEdit, "", 29, 68, 222, 20, kLeft | kBorder | kTabStop},
    {IDC_BROWSE_INSTALL, ControlKind::kPushButton, "Browse", 259, 69, 46, 18, kTabStop, 0,
     "Browse for the Install Directory"},
};

// The progress window of an install: the file being copied, the bar by bytes, the
// files done and the times, and Stop. The window's title is the application's name.
constexpr ControlTemplate kProgressControls[] = {
    {IDC_PROGRESS_DESTINATION, ControlKind::kText, "", 7, 7, 226, 9, kLeft | kNoPrefix | kPathEllipsis},
    {IDC_PROGRESS_FILE, ControlKind::kText, "", 7, 18, 226, 9, kLeft | kNoPrefix | kPathEllipsis},
    {IDC_PROGRESS_BAR, ControlKind::kProgressBar, "", 7, 30, 226, 11, 0, 0, "Install progress"},
    {IDC_PROGRESS_FILES, ControlKind::kText, "", 7, 46, 226, 9, kLeft | kNoPrefix},
    {IDC_PROGRESS_TIMES, ControlKind::kText, "", 7, 57, 226, 9, kLeft | kNoPrefix},
    {IDCANCEL, ControlKind::kPushButton, "Stop", 183, 71, 50, 14, kTabStop},
};

// The outcome of an install, in the progress window's place: the system's icon for it
// beside a heading, the details (selectable, to be copied), and Close, the default,
// first. An installed catalog can be opened from there. The details field is as tall as
// the longest details it shows without scrolling; shorter ones shrink it.
constexpr ControlTemplate kOutcomeControls[] = {
    {IDC_OUTCOME_ICON, ControlKind::kIcon, "", 7, 7, 20, 20, kIcon},
    {IDC_OUTCOME_HEADLINE, ControlKind::kHeading, "", 32, 11, 261, 12, kLeft | kNoPrefix},
    {IDCANCEL, ControlKind::kPushButton, "Close", 243, 130, 50, 14, kDefPushButton | kTabStop},
    {IDC_OPEN_CATALOG, ControlKind::kPushButton, "&Open the catalog", 163, 130, 75, 14, kTabStop},
    {IDC_OUTCOME_DETAILS, ControlKind::kEdit, "", 7, 32, 286, 92,
     kLeft | kBorder | kTabStop | kMultiLine | kReadOnly | kVScroll | kAutoVScroll, 0, "Install details"},
};
constexpr ControlTemplate kOutcomeFailedControls[] = {
    {IDC_OUTCOME_ICON, ControlKind::kIcon, "", 7, 7, 20, 20, kIcon},
    {IDC_OUTCOME_HEADLINE, ControlKind::kHeading, "", 32, 11, 261, 12, kLeft | kNoPrefix},
    {IDCANCEL, ControlKind::kPushButton, "Close", 243, 130, 50, 14, kDefPushButton | kTabStop},
    {IDC_OUTCOME_DETAILS, ControlKind::kEdit, "", 7, 32, 286, 92,
     kLeft | kBorder | kTabStop | kMultiLine | kReadOnly | kVScroll | kAutoVScroll, 0, "Install details"},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_ABOUTBOX, 0, 0, 235, 55, "Zandrel2のﾊﾞｰｼﾞｮﾝ情報", kDialogFont, 9, kPopup | kCaption | kSysMenu | kModalFrame | kSetFont, 0, kAboutControls},
    {IDD_ZANDREL2_DIALOG, 0, 0, 319, 139, "Zandrel", kDialogFont, 9,
     kPopup | kVisible | kCaption | kSysMenu | kModalFrame | kSetFont, kAppWindow, kInstallControls},
    {IDD_PROGRESS, 0, 0, 240, 92, "", kDialogFont, 9, kPopup | kCaption | kSysMenu | kModalFrame | kSetFont, 0,
     kProgressControls},
    {IDD_OUTCOME, 0, 0, 300, 151, "", kDialogFont, 9, kPopup | kCaption | kSysMenu | kModalFrame | kSetFont, 0,
     kOutcomeControls},
    {IDD_OUTCOME_FAILED, 0, 0, 300, 151, "", kDialogFont, 9, kPopup | kCaption | kSysMenu | kModalFrame | kSetFont, 0,
     kOutcomeFailedControls},
};

struct StringEntry {
  int id;
  const char* text;
};

constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "Zandrel2 のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& dialog : kDialogs) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

const char* FindIconFile(int id) { return id == IDR_MAINFRAME ? ":/zandrel2/Zandrel2.ico" : nullptr; }

const char* FindString(int id) {
  for (const StringEntry& entry : kStrings) {
    if (entry.id == id) return entry.text;
  }
  return nullptr;
}

}  // namespace res
