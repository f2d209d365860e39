#pragma once

#include <QDateTime>
#include <QTableWidget>

#include <filesystem>

namespace review {

// The SpO2 desaturation events of the open case, one row each: number,
// start and end time of day, and SpO2 at start and end.
class CEventList : public QTableWidget {
    Q_OBJECT
public:
    explicit CEventList(QWidget* parent);

    // Lists the events of `resultFile` ("ana.spo") with times counted from
    // `start`; a missing or short file lists nothing.
    void Fill(const std::filesystem::path& resultFile, const QDateTime& start);
    // The column titles in the current language.
    void ApplyTexts();
};

} // namespace review
