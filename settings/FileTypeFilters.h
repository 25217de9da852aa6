#pragma once

#include <QString>
#include <QStringList>

// File dialog filters as "|"-separated pairs of description and pattern.

// The output types, then "All Files (*.*)|*.*".
QString BuildOutputFilter(const QStringList& outputExtensions);

// "All Support Files(<mask>)|<mask>|", a pair for each of the input types, one
// "Other Video Files" pair for the types of the mask that have none of their own,
// then "All Files (*.*)|*.*".
QString BuildOpenFilter(const QStringList& inputExtensions, const QString& inputMask);

// The same filter in the form Qt's file dialogs take ("AVI Files (*.avi);;...").
QStringList QtFileDialogFilters(const QString& filter);
