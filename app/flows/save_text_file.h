// Writes a text the page hands over (saveForm, form data export) to a file
// the user chooses.
#pragma once

#include <string>

class QWidget;

namespace ambrine {

class ErrorReport;

// Asks for a file (all files, asking before replacing one) and writes
// `text` (UTF-8) into it. Cancel writes nothing; a file that cannot be
// created is reported (source "mainview", line 1648).
void SaveTextToChosenFile(QWidget* owner, const std::string& text, ErrorReport& report);

// The writing step alone: replaces the file's content with `text`.
int WriteTextFile(const std::string& path, const std::string& text);

}  // namespace ambrine
