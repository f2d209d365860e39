#include "signal/qrs_record_sink.h"

#include "signal/file_io.h"

#include <array>

void QrsFileSink::Put(std::uint64_t index, const QrsRecord& record)
{
    std::array<std::uint8_t, kQrsRecordBytes> bytes{};
    EncodeQrsRecord(record, bytes);
    const base::Status written = WriteAtOffset(m_path, index * kQrsRecordBytes, bytes, index == 0);
    if (!written.ok())
        m_lastWrite = written;
}

void QrsRecordBuffer::Put(std::uint64_t index, const QrsRecord& record)
{
    if (index == 0)
        m_records.clear();
    // Records never written stay as zero bytes, exactly as in a file written at offsets.
    if (m_records.size() <= index)
        m_records.resize(index + 1);
    m_records[index] = record;
}
