#pragma once

#include "signal/qrs_record.h"
#include "base/status.h"

#include <cstdint>
#include <filesystem>
#include <vector>

// Receives each beat record once the detector has classified it. Beat 0
// starts a new beat list; beat k belongs at position k.
class QrsRecordSink {
public:
    virtual ~QrsRecordSink() = default;
    virtual void Put(std::uint64_t index, const QrsRecord& record) = 0;
};

// Live recording: every beat goes to "qrs.ecg" at once (open, write at
// 28 * k, close), so a crash loses at most the beat under construction.
class QrsFileSink final : public QrsRecordSink {
public:
    explicit QrsFileSink(std::filesystem::path qrsPath) : m_path(std::move(qrsPath)) {}
    void Put(std::uint64_t index, const QrsRecord& record) override;

    // The last write failure (a failed record is skipped; detection goes on).
    const base::Status& lastWrite() const { return m_lastWrite; }

private:
    std::filesystem::path m_path;
    base::Status m_lastWrite = base::Status::Ok();
};

// Whole-file analysis: the beats are kept in memory and written in one go.
class QrsRecordBuffer final : public QrsRecordSink {
public:
    void Put(std::uint64_t index, const QrsRecord& record) override;
    std::vector<QrsRecord>& records() { return m_records; }

private:
    std::vector<QrsRecord> m_records;
};
