#pragma once

#include "programscene.h"

#include <QList>

// The tag of every spectrum the chart shows, from the bottom: its first point's height minus 1
// and minus the spacing's lift.
QList<int> ShownTags();
