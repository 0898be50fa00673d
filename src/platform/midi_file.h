#pragma once
// Reading standard MIDI files the user picks as music: bounds-checked
// throughout, so any bytes give an answer or -1, never a fault.

#include <QByteArray>

namespace shurencho {

// The MIDI data inside a RIFF "RMID" file, or empty when bytes is not one.
QByteArray MidiInsideRmi(const QByteArray& bytes);

// The length of a standard MIDI file (bare, or inside a RIFF "RMID" file)
// in seconds, up to the end of its longest track, under its tempo changes;
// -1 when the bytes are not one.
double MidiFileSeconds(const QByteArray& smf);

}  // namespace shurencho
