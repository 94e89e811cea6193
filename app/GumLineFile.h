// Reading the gum-line text file (".txt" or ".pts"): one point per line, its numbers separated
// by single blanks. QtCore only, so that it can be used and tested without a window.
#pragma once

#include "cutline/PoseTypes.h"

#include <QString>

#include <optional>
#include <vector>

// The points of the gum-line file at `path`, in file order; no value when no file exists there.
// A file that exists but cannot be opened gives no points. The file is read in text mode (a
// carriage return before the line feed is dropped) and each line is decoded as UTF-8, then split
// at every single blank, empty pieces included. A line counts only when it has exactly 3 pieces
// (x y z) or exactly 6 (x y z and three more numbers, which are ignored), and every piece is a
// finite number in the locale-independent form; any other line is skipped without a message.
std::optional<std::vector<Point3>> ReadGumLinePoints(const QString& path);
