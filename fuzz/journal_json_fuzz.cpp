// Feeds arbitrary bytes to the journal's JSON readers (entries.json, trash.json and imported files are
// untrusted). Beyond the sanitizers, checks that whatever decodes survives our own writer unchanged:
// written again and read back, it gives equal entries.

#include "Model/EntryCodec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto entries = vsp::decodeEntries(bytes);
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
