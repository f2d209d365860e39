#pragma once

// Hand-written case folders for the view tests and a look at drawn pixels.

#include "archive/sample_streams.h"
#include "signal/qrs_record.h"
#include "signal/spo_result.h"
#include "test_data.h"
#include "views/view_case.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <vector>

namespace viewtest {

inline void WriteSpO2(const std::filesystem::path& folder, const std::vector<archive::SpO2Record>& records)
{
    testsupport::WriteBytes(folder / "data.spo", archive::EncodeSpO2Records(records));
}

// "qrs.ecg" with one beat per R-R interval (in samples).
inline void WriteBeats(const std::filesystem::path& folder, const std::vector<int>& rrIntervals)
{
    std::vector<QrsRecord> beats;
    for (int rr : rrIntervals)
        beats.push_back(QrsRecord{.RRInterval = static_cast<std::int16_t>(rr)});
    testsupport::WriteBytes(folder / "qrs.ecg", EncodeQrsRecords(beats));
}

inline void WriteEvents(const std::filesystem::path& folder, const std::vector<SpOEvent>& events)
{
    testsupport::WriteBytes(folder / "ana.spo", EncodeSpOResult({}, events));
}

inline views::ViewCase CaseAt(const std::filesystem::path& folder, int sampleType)
{
    return views::ViewCase{folder, QDateTime(QDate(2024, 3, 1), QTime(10, 0, 0)), sampleType};
}

// The rows of `area` at column `x` drawn in `colour`.
inline std::vector<int> RowsIn(const QImage& image, int x, const QRect& area, const QColor& colour)
{
    std::vector<int> rows;
    for (int y = area.top(); y <= area.bottom(); ++y)
        if (image.pixel(x, y) == colour.rgb())
            rows.push_back(y);
    return rows;
}

} // namespace viewtest
