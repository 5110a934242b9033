#pragma once
// The text-encoding helper of operation records: makes any text safe inside an
// XML element, so a record stays parseable whatever an operator name or a
// message holds.
#include "platform/zenlo_export.h"

#include <QString>

class ZENLO_CORE_EXPORT TextEncoder
{
public:
    // Escapes & < > " ' and writes characters XML cannot hold (control
    // characters, lone surrogates) as the text \uXXXX.
    static QString Encode(const QString &text);
    // The reverse of what an XML parser does not undo: \uXXXX back to the character.
    static QString DecodeEscapes(const QString &text);
};
