// The toolbar's 16x15 images and the program icon, drawn at start as vector
// paths so the program needs no image files beside it and they stay sharp on
// high-density screens.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ambrine {

// The image of a toolbar command (57600 New, 57601 Open, 57603 Save,
// 57635 Cut, 57634 Copy, 57637 Paste, 57607 Print, 57664 About): the
// desktop theme's standard icon when it has one, else the program's own
// 16x15 drawing, sharp at device pixel ratios 1, 1.5, 2 and 3. A null icon
// for other ids.
QIcon ToolbarIcon(int id);

// The program icon: the installed one from the icon theme, else the
// program's own drawing in sizes from 16 to 256.
QIcon ProgramIcon();

}  // namespace ambrine
