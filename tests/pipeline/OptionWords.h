#pragma once

#include "profiles/EncoderOptions.h"

// Join options written as the encoder's text: the tests' own texts hold no value with a blank.
inline JoinOptions OptionWords(const QString& text)
{
    return {text, text.split(' ', Qt::SkipEmptyParts)};
}
