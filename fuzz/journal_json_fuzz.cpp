// Feeds arbitrary bytes to the journal's JSON readers (entries.json, trash.json and imported files are
// untrusted). Beyond the sanitizers, checks that whatever decodes survives our own writer unchanged:
// written again and read back, it gives equal entries; and that reading the bytes in small pieces from
// a device (as the journal loads) accepts and makes exactly what reading them whole does.

#include "Model/EntryCodec.h"

#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto entries = vsp::decodeEntries(bytes);
    {
        QByteArray copy = bytes;
        QBuffer device(&copy);
        device.open(QIODevice::ReadOnly);
        const auto streamed = vsp::decodeEntries(device, vsp::DateEncoding::ReferenceSeconds, 7);
        if (streamed.ok() != entries.ok() || (entries.ok() && *streamed.value != *entries.value)) {
            std::fprintf(stderr, "entries read in pieces differ from entries read whole\n");
            std::abort();
        }
    }
    if (entries.ok()) {
        const vsp::Encoded written = vsp::encodeEntries(*entries.value);
        const auto back = vsp::decodeEntries(written.bytes);
        if (!written.ok() || !back.ok() || *back.value != *entries.value) {
            std::fprintf(stderr, "entries do not survive a write and a read\n");
            std::abort();
        }
    }
    (void)vsp::decodeEntries(bytes, vsp::DateEncoding::ISO8601);
    const auto trash = vsp::decodeTrash(bytes);
    if (trash.ok()) {
        const auto back = vsp::decodeTrash(vsp::encodeTrash(*trash.value).bytes);
        if (!back.ok() || *back.value != *trash.value) {
            std::fprintf(stderr, "trash records do not survive a write and a read\n");
            std::abort();
        }
    }
    return 0;
}
