#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

namespace vsp {

/// Streams JSON text into a byte buffer.
///
/// Compact output has no white space at all. Pretty output indents by two spaces and separates keys from
/// values with " : ", one member per line; an empty array or object holds one empty line ("[\n\n  ]").
/// Doubles are written in their shortest round-trip form;
/// a non-finite double cannot be written and marks the writer as failed (see failed()).
class JsonWriter final {
public:
    enum class Style { Compact, Pretty };

    explicit JsonWriter(Style style = Style::Compact, qsizetype reserve = 0);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    /// Starts a member of the current object; the next value written is its value.
    void key(std::string_view name);

    void value(QStringView text);
    void value(std::string_view utf8);
    void value(double number);
    void value(qint64 number);
    void value(bool flag);
    /// Text already in standard Base64, written as it is.
    void base64Text(std::string_view base64);
    void null();

    /// True once a value could not be written (a non-finite double); the text is then not usable.
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    const QByteArray& bytes() const { return m_out; }
    QByteArray take() { return std::move(m_out); }
    /// Forgets the text written so far but keeps its room and the nesting, so a long text can be handed
    /// on piece by piece.
    void discardWritten() { m_out.resize(0); }

private:
    void beforeValue();
    void open(char bracket, bool isObject);
    void close(char bracket);
    void newline();
    void writeEscaped(const char* data, qsizetype size);
    void writeEscapedContent(const char* data, qsizetype size);

    struct Level {
        bool isObject = false;
        bool empty = true;
    };

    QByteArray m_out;
    std::vector<Level> m_levels;
    Style m_style;
    bool m_afterKey = false;
    QString m_error;
};

/// Appends the standard Base64 text (with padding) of `bytes` to `out`.
void appendBase64(QByteArray& out, const QByteArray& bytes);

/// Shortest text that reads back as exactly the same double ("1.5", "768000000", "1e-07").
QByteArray formatDouble(double number);

} // namespace vsp
