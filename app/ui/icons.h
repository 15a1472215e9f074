#pragma once
// The small images of the program: the four event levels, the four pass kinds and the
// three lighting states (one index space shared by the event log and the pass list), and
// the window icon. Drawn once with QPainter so they stay sharp at any scale.
#include <QIcon>

namespace orvanta {

// 0-3 event levels (success, warning, error, information), 4 lunar start only, 5 lunar
// pass, 6 lunar end only, 7 flare, 8 Sun up at LOS, 9 dark at LOS, 10 twilight at LOS.
// An index outside 0-10 gives an empty icon.
QIcon SharedIcon(int index);

QIcon ApplicationIcon();

}  // namespace orvanta
