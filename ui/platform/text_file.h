#pragma once
// Whole small text files (cut lists, cue sheets, labels): written through a
// temporary file that replaces the old one only when every byte is written.

#include <QString>

#include <string>

// Writes text as the whole file at path, or leaves an older file there as it
// was; on failure error says "Can't write <path>: <reason>".
bool saveText(const QString& path, const std::string& text, QString& error);
