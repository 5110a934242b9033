#pragma once
// Base64 decoding for the stored process-map files: captions kept as MIME
// encoded words ("=?gb2312?B?...?=") and icons kept as wrapped Base64 text.
// Only decoding: nothing in the suite writes Base64.
//
// The decoder reproduces the suite's own reader byte for byte, including what
// it does with malformed text (a strict RFC decoder would read some stored
// maps differently): it never reports an error, it yields partly decoded or
// zero-filled bytes instead.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace b64 {

// A caption as stored in a map: "=?gb2312?B?<Base64>?=" is decoded (the two
// terminator characters are not examined, the charset name is not used for the
// conversion); any other text is returned unchanged.
QString DecodeMimeWord(const QString &text);

// Base64 text (possibly wrapped, see StripLineBreaks) to text, through the ANSI
// code page. Empty for empty input.
QString DecodeText(const QString &text);

// Decodes the text and writes the bytes to fileName. The file appears whole or
// not at all (written beside it under another name, then renamed). Returns true
// when the file holds the decoded bytes; false for empty text (nothing is
// written) or when the file cannot be written (*error, when given, says why;
// an existing file is then left as it was).
bool DecodeToFile(const QString &fileName, const QString &text, QString *error = nullptr);

// Appends "=" to bytes until its length is a multiple of 4 (the caller sees the
// padded input), then decodes it into out. Decoding stops at the first group
// whose third or fourth character is "=", and silently at a byte above 233;
// out keeps the size computed from the padding, zero-filled after the last
// byte decoded. Characters outside the alphabet count as the value 255.
void DecodeBytes(QByteArray &bytes, QByteArray &out);
// The same, leaving the input as it is.
QByteArray DecodeBytes(QByteArrayView bytes);

// The stored text is wrapped in lines of 72 characters separated by one byte:
// drops the bytes at 0-based positions 72, 145, 218, ... and nothing else.
QByteArray StripLineBreaks(QByteArrayView bytes);

} // namespace b64
