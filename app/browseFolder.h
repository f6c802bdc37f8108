// BrowseForFolder: the folder chooser behind "Select Save Folder".
#pragma once

#include <string>

class QWidget;

// Runs a modal folder chooser titled Title over Owner, opening at InitialFolder when it is not empty.
// Returns the chosen folder's full path, "" on cancel; a root folder comes back as "/", any other
// folder without a trailing "/".
std::string BrowseForFolder(QWidget* Owner, const std::string& Title, const std::string& InitialFolder);
