// The window framework's basic types and the Windows numbers it speaks in:
// messages, notification codes, command ids and flags keep their Win32 values.
#pragma once

#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

namespace port {
struct Icon;
struct PaintContext;
}  // namespace port

// Handles are the port's own objects; an icon serves as cursor, as on Windows.
using HICON = port::Icon*;
using HCURSOR = HICON;
using HDC = port::PaintContext*;

// Window messages.
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_ICONERASEBKGND = 0x0027;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_APP = 0x8000;  // the first message number free for programs

// The system's standard icons.
inline constexpr UINT IDI_ERROR = 32513;
inline constexpr UINT IDI_WARNING = 32515;
inline constexpr UINT IDI_INFORMATION = 32516;

// Virtual keys.
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_F1 = 0x70;

// Control notifications.
inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT EN_CHANGE = 0x0300;

// Command ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr UINT ID_HELP = 0xE146;
inline constexpr UINT SC_CLOSE = 0xF060;

// Message boxes.
inline constexpr UINT MB_OK = 0x0000;

// Menus.
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;

// System metrics.
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;

// Help.
inline constexpr UINT HELP_CONTEXT = 0x0001;
inline constexpr DWORD HID_BASE_RESOURCE = 0x20000;

inline constexpr UINT LOWORD(WPARAM value) { return static_cast<UINT>(value & 0xFFFF); }
inline constexpr UINT HIWORD(WPARAM value) { return static_cast<UINT>((value >> 16) & 0xFFFF); }
inline constexpr WPARAM MAKEWPARAM(UINT low, UINT high) { return (static_cast<WPARAM>(high & 0xFFFF) << 16) | (low & 0xFFFF); }
