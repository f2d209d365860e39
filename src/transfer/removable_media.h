#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// One line of /proc/self/mountinfo, reduced to what finding a card needs.
struct MountEntry {
    std::string mountPoint;   // octal escapes (\040 and the like) already decoded
    std::string source;       // the mounted device, e.g. "/dev/sdb1"
    std::string fsType;
};

// Parses the text of a mountinfo file; malformed lines are left out.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Finds the folders where removable media (SD cards, USB sticks) are mounted.
// Every system path is read below `systemRoot`, so tests can lay out a fake
// /proc, /sys and /media tree in a temporary folder.
class RemovableMediaFinder {
public:
    RemovableMediaFinder(std::filesystem::path systemRoot, std::string userName);

    // The finder for this machine and the current user.
    static RemovableMediaFinder ForThisSystem();

    // Mount points of removable block devices (in mount order), then any other
    // folder under /media/USER and /run/media/USER; no folder twice. Each path
    // is given as the running system sees it (without the system root).
    std::vector<std::filesystem::path> MountedCards() const;

private:
    bool IsRemovableDevice(const std::string& source) const;
    bool BlockDeviceRemovable(const std::string& blockName) const;
    std::vector<std::filesystem::path> UserMediaFolders() const;

    std::filesystem::path m_systemRoot;
    std::string m_userName;
};
