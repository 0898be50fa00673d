#pragma once
// Everything read from the data files at start-up: the kana-romaji table,
// the five course lists and the maze map. Read-only once loaded.

#include "settings/settings.h"

struct PracticeData {};

// Runs the loaders in their start-up order. Throws DataFileError naming the
// file (and line) that could not be read.
PracticeData LoadPracticeData(const AppSettings& settings);
