// Message maps: static tables of (message, control id, notification code, handler),
// searched top to bottom, then in the base class's table.
#pragma once

#include <cstddef>

#include "framework/Types.h"

class CCmdTarget;

// Calls one handler with the message's parameters, in the handler's own signature.
using HandlerThunk = LRESULT (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
  UINT message;
  UINT controlId;   // WM_COMMAND only: the control or command id
  UINT notifyCode;  // WM_COMMAND only: the notification code
  HandlerThunk handler;
};

struct MessageMap {
  const MessageMap* base;
  const MessageMapEntry* entries;  // ends with an entry whose handler is null
};

namespace message_map {

template <typename Member>
struct HandlerClass;
template <typename Class, typename Result, typename... Parameters>
struct HandlerClass<Result (Class::*)(Parameters...)> {
  using type = Class;
};

template <auto Handler>
using ClassOf = typename HandlerClass<decltype(Handler)>::type;

// void Handler()
template <auto Handler>
LRESULT CallPlain(CCmdTarget& target, WPARAM, LPARAM) {
  (static_cast<ClassOf<Handler>&>(target).*Handler)();
  return 0;
}

// void Handler(UINT id, LPARAM parameter)
template <auto Handler>
LRESULT CallSysCommand(CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
  (static_cast<ClassOf<Handler>&>(target).*Handler)(static_cast<UINT>(wParam), lParam);
  return 0;
}

// HCURSOR Handler()
template <auto Handler>
LRESULT CallQueryIcon(CCmdTarget& target, WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>((static_cast<ClassOf<Handler>&>(target).*Handler)());
}

// void Handler(UINT id)
template <auto Handler>
LRESULT CallTimer(CCmdTarget& target, WPARAM wParam, LPARAM) {
  (static_cast<ClassOf<Handler>&>(target).*Handler)(static_cast<UINT>(wParam));
  return 0;
}

}  // namespace message_map

// In a class: declares its table.
#define DECLARE_MESSAGE_MAP()                    \
 public:                                         \
  static const MessageMap* GetThisMessageMap();  \
  const MessageMap* GetMessageMap() const override;

// Around a table, in the class's source file.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
  const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
  const MessageMap* theClass::GetThisMessageMap() {                                  \
    using ThisClass [[maybe_unused]] = theClass;                                     \
    using TheBaseClass = baseClass;                                                  \
    static const MessageMapEntry kEntries[] = {
#define END_MESSAGE_MAP()                                                \
  {0, 0, 0, nullptr}};                                                   \
  static const MessageMap kMap = {TheBaseClass::GetThisMessageMap(), kEntries}; \
  return &kMap;                                                          \
  }

// void OnSysCommand(UINT id, LPARAM parameter)
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, &message_map::CallSysCommand<&ThisClass::OnSysCommand>},
// void OnTimer(UINT id)
#define ON_WM_TIMER() {WM_TIMER, 0, 0, &message_map::CallTimer<&ThisClass::OnTimer>},
// void OnPaint()
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &message_map::CallPlain<&ThisClass::OnPaint>},
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0, 0, &message_map::CallQueryIcon<&ThisClass::OnQueryDragIcon>},
// void Handler(); a member pointer takes no parentheses around its name
#define ON_COMMAND(id, handler) {WM_COMMAND, id, 0, &message_map::CallPlain<&handler>},  // NOLINT(bugprone-macro-parentheses)
// void Handler()
#define ON_BN_CLICKED(id, handler) {WM_COMMAND, id, BN_CLICKED, &message_map::CallPlain<&ThisClass::handler>},
// void Handler()
#define ON_EN_CHANGE(id, handler) {WM_COMMAND, id, EN_CHANGE, &message_map::CallPlain<&ThisClass::handler>},
