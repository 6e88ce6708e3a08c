// The dialog templates and the string table, defined once and read by both window
// ports. Positions and sizes are in dialog units; styles carry their Win32 values.
#pragma once

#include <cstdint>
#include <span>

namespace res {

namespace style {
inline constexpr std::uint32_t kPopup = 0x80000000;
inline constexpr std::uint32_t kVisible = 0x10000000;
inline constexpr std::uint32_t kCaption = 0x00C00000;
inline constexpr std::uint32_t kBorder = 0x00800000;
inline constexpr std::uint32_t kVScroll = 0x00200000;
inline constexpr std::uint32_t kSysMenu = 0x00080000;
inline constexpr std::uint32_t kGroup = 0x00020000;
inline constexpr std::uint32_t kTabStop = 0x00010000;
inline constexpr std::uint32_t kModalFrame = 0x00000080;     // dialog
inline constexpr std::uint32_t kSetFont = 0x00000040;        // dialog
inline constexpr std::uint32_t kDefPushButton = 0x00000001;  // button
inline constexpr std::uint32_t kLeft = 0x00000000;           // edit, static
inline constexpr std::uint32_t kMultiLine = 0x00000004;      // edit: lines end in CR LF
inline constexpr std::uint32_t kAutoVScroll = 0x00000040;    // edit
inline constexpr std::uint32_t kAutoHScroll = 0x00000080;    // edit
inline constexpr std::uint32_t kReadOnly = 0x00000800;       // edit
inline constexpr std::uint32_t kNoPrefix = 0x00000080;       // static
inline constexpr std::uint32_t kPathEllipsis = 0x00008000;   // static: a long path loses its middle
inline constexpr std::uint32_t kIcon = 0x00000003;           // static
inline constexpr std::uint32_t kAppWindow = 0x00040000;      // extended style
}  // namespace style

// A heading is a label in the dialog's font made bold and a size larger.
enum class ControlKind { kPushButton, kEdit, kText, kHeading, kIcon, kProgressBar };

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;  // for an icon: empty, the image is `iconId` (none for 0)
  int x, y, cx, cy;
  std::uint32_t style;
  int iconId = 0;
  // What assistive technology calls the control where its text alone does not say it.
  // A label names the control that follows it, as the dialog manager reads a template.
  const char* accessibleName = nullptr;
};

struct DialogTemplate {
  int id;
  int x, y, cx, cy;
  const char* caption;
  const char* fontName;
  int fontPoints;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::span<const ControlTemplate> controls;
};

// The template with `id`, or null.
const DialogTemplate* FindDialogTemplate(int id);

// The string with `id` (UTF-8), or null when the table has none.
const char* FindString(int id);

// The file of the icon with `id`, for a port that loads icons from files (a path in
// the Qt port's compiled-in resources), or null.
const char* FindIconFile(int id);

}  // namespace res
