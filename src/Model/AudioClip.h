#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUuid>

#include <optional>

/// One voice note attached to an entry. The file lives in the entry's audio folder under `filename`.
struct AudioClip {
    QUuid id;
    /// The file's name inside the entry's audio folder.
    QString filename;
    /// Length in seconds.
    double duration = 0;
    /// Recognised text, when transcription gave any.
    std::optional<QString> transcript;

    bool operator==(const AudioClip&) const = default;
};

size_t qHash(const AudioClip& clip, size_t seed = 0) noexcept;
