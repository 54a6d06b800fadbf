#pragma once

#include "ExportSupport.h"

namespace tarvik::engine::detail {

// Writes a compound document (the container of .xls files) holding a single stream, streamed
// straight to the output: the stream's sectors come first, in order, then the directory, the
// allocation table and, for files beyond about 7 MB, the extra allocation-table index sectors.
//
// Usage: construct (reserves the header), write the stream's bytes to `out`, call finish().
class CompoundFileWriter
{
public:
    explicit CompoundFileWriter(BufferedOut& out);
    // Completes the file with the stream named streamName ("Workbook").
    void finish(const QString& streamName);

    // Streams shorter than this would belong in the mini stream; the writer pads them instead.
    static constexpr quint32 kMinStreamSize = 4096;

private:
    BufferedOut& out_;
    qint64 start_;
};

} // namespace tarvik::engine::detail
