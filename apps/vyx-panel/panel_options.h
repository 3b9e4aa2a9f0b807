// The desktop host's command line.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vyx::panel {

struct PanelOptions {
  bool simulate = false;
  QString document;                // opened at start
  QString settingsFile;            // an INI file in place of the user's settings
  QString screenshot;              // grab the window into this file, then quit
  double after = 5.0;              // seconds before the screenshot
  std::optional<int> chartWindow;  // seconds
};

// The options, or an error message (help and version print and set exitNow).
std::optional<PanelOptions> ParsePanelOptions(const QStringList& arguments, QString& message,
                                              bool& exitNow);

}  // namespace vyx::panel
