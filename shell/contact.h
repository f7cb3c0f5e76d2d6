#pragma once

namespace zolt {

// Where the Help menu's Contact items lead.
inline constexpr const char* kContactMail = "mailto:zolt@example.org";
inline constexpr const char* kContactWeb = "https://zolt.example.org";

}  // namespace zolt
