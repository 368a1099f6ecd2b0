// The toolbar's 16x15 images and the program icon, drawn at start so the
// program needs no image files beside it.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ambrine {

// The image of a toolbar command (57600 New, 57601 Open, 57603 Save,
// 57635 Cut, 57634 Copy, 57637 Paste, 57607 Print, 57664 About); a null
// pixmap for other ids.
QPixmap ToolbarImage(int id);

// The program icon in 16x16 and 32x32.
QIcon ProgramIcon();

}  // namespace ambrine
