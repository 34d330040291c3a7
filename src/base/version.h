#pragma once

#include <QString>

// Shown on the welcome page and written into the headers of saved files.
inline const QString kVersionText = QStringLiteral("3.1.2");
