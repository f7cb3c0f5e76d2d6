#pragma once

namespace zolt {

// Control ids of the main window's bars. In the widget tree each control's object name is its
// id written in decimal ("100", "101"), so a test or a tool finds a control by the same number
// the rest of the program uses.
inline constexpr int kToolBarControlId = 100;
inline constexpr int kStatusBarControlId = 101;

// Object names of the windows themselves.
inline constexpr const char* kMainWindowName = "ZoltAppClass";
inline constexpr const char* kViewWindowName = "JKVViewWindowClass";
inline constexpr const char* kMenuBarName = "AppMenu";

}  // namespace zolt
