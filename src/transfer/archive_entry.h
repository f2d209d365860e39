#pragma once

#include "archive/device_header.h"
#include "archive/recording_format.h"

#include <filesystem>
#include <string>

// One archive read from the card.
struct ArchiveEntry {
    archive::DateTime StartTime;             // from the first device file read
    archive::SampleType Type = archive::SampleType::EcgAndSpO2;
    int Loaded = 0;                          // 1 when a case row already holds it
    std::string CaseID;                      // that row's [CaseID]; empty while not loaded
    std::string Name;                        // the archive name
    // The header stated no valid start time, so StartTime is the time of
    // reading and the archive is recognised by SourceId instead.
    bool StartTimeUnknown = false;
    // Fingerprints of the device files ("ecg=<hex>;spo=<hex>"), kept with the
    // case row.
    std::string SourceId;
    // Loaded == 0 but a case row CaseID holds the archive while its folder is
    // missing (an import ended between the row and the folder): a download
    // writes the folder of that row.
    bool CaseFolderLost = false;

    // The device files on the card (deleted after a download) and the copies
    // converted into the case folder (scratch copies, or the card files
    // themselves when there is no scratch folder). Empty when absent.
    std::filesystem::path EcgCardFile;
    std::filesystem::path SpO2CardFile;
    std::filesystem::path EcgSource;
    std::filesystem::path SpO2Source;

    bool HasEcg() const { return Type != archive::SampleType::SpO2; }
    bool HasSpO2() const { return Type != archive::SampleType::Ecg; }
};

// The list's "Download:" filter (its item index).
enum class LoadFilter : int { All = 0, NotLoaded = 1, Loaded = 2 };
// The list's "Sample Type:" filter (its item index).
enum class TypeFilter : int { Ecg = 0, SpO2 = 1, All = 2 };

// Whether the list shows `entry` under the two filters; a combined archive
// shows only under the type filter All.
bool EntryPassesFilters(const ArchiveEntry& entry, TypeFilter type, LoadFilter load);
