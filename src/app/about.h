#pragma once
// The about entry of the tray menu: the suite's about program when it is
// installed, else the program's own name, version and licence.

#include <QString>

namespace about {

// The suite's about program at its fixed path.
QString suiteProgram();

// Name, version and licence of this program (translated, MainWindow context).
QString title();
QString text();

} // namespace about
