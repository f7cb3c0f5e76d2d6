#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>

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
    kCmdExportImage = 28,
    kCmdAutoIterations = 29,
    kCmdColouring = 30,
    kCmdExportMovie = 31,
};

constexpr int kFirstCommand = 1;
constexpr int kLastCommand = 31;
static_assert(kLastCommand <= 32, "the command mask has a bit for each command, and 32 bits");

// Mail and Web have no bit in the command mask: they are always available.
constexpr bool HasCommandBit(int id) {
    return id >= kFirstCommand && id <= kLastCommand && id != kCmdMail && id != kCmdWeb;
}

// Bit n of the command mask enables command n + 1.
constexpr std::uint32_t CommandBit(int id) {
    return std::uint32_t{1} << (id - 1);
}

// The mask of the commands listed.
constexpr std::uint32_t CommandBits(std::initializer_list<int> ids) {
    std::uint32_t mask = 0;
    for (int id : ids)
        mask |= CommandBit(id);
    return mask;
}

constexpr std::uint32_t kAllCommands = 0x1FFFFFF | CommandBit(kCmdExportImage) |
                                       CommandBit(kCmdAutoIterations) | CommandBit(kCmdColouring) |
                                       CommandBit(kCmdExportMovie);
constexpr std::uint32_t kPriorityCommands = CommandBits({16, 17, 18, 19, 20, 21, 22});

// The mask of enabled commands. Both threads change it, so every change is one atomic
// read-modify-write: concurrent enables and disables of different bits never lose each other.
class CommandState {
  public:
    std::uint32_t Get() const { return bits_.load(std::memory_order_acquire); }

    void Change(std::uint32_t mask, bool enable) {
        if (enable)
            bits_.fetch_or(mask, std::memory_order_acq_rel);
        else
            bits_.fetch_and(~mask, std::memory_order_acq_rel);
    }

  private:
    std::atomic<std::uint32_t> bits_{0};
};

}  // namespace zolt
