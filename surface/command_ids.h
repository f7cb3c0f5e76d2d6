#pragma once

#include <cstdint>

namespace zolt {

// Command ids: the same number for a menu item, its accelerator and its toolbar button.
enum CommandId : int {
    kCmdNew = 1,
    kCmdOpen = 2,
    kCmdSave = 3,
    kCmdSaveAs = 4,
    kCmdProperties = 5,
    kCmdExit = 6,
    kCmdOptions = 7,
    kCmdAbout = 8,
    kCmdHome = 9,
    kCmdBack = 10,
    kCmdForward = 11,
    kCmdGenerate = 12,
    kCmdStop = 13,
    kCmdContinue = 14,
    kCmdSkip = 15,
    kCmdPriorityLowest = 16,
    kCmdPriorityHighest = 22,
    kCmdRefresh = 23,
    kCmdToolbar = 24,
    kCmdStatusBar = 25,
    kCmdMail = 26,
    kCmdWeb = 27,
};

constexpr int kFirstCommand = 1;
constexpr int kLastCommand = 27;
// Commands above this one (Mail, Web) have no bit: they are always available.
constexpr int kLastMaskedCommand = 25;

// Bit n of the command mask enables command n + 1.
constexpr std::uint32_t CommandBit(int id) {
    return std::uint32_t{1} << (id - 1);
}

constexpr std::uint32_t kAllCommands = 0x1FFFFFF;
constexpr std::uint32_t kPriorityCommands = 0x3F8000;

}  // namespace zolt
