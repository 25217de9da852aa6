#pragma once

#include "profiles/OutputChoices.h"

#include <QString>

#include <optional>

// Why a job cannot use a profile, as a message for the user.
struct ProfileRefusal {
    QString caption;
    QString text;
};

// Whether the profile file at path, with these choices made in it, can give the encoder
// its options: every section there and whole (its Items, captions and Index agree), every
// value within what its field may hold, the chosen items in the lists, the typed texts as
// the dialog's OK takes them. Nothing when it can; else the first fault, naming the file,
// the field and the value.
std::optional<ProfileRefusal> CheckProfile(const QString& path, const OutputChoices& choices);
