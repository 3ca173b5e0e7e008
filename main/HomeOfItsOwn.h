#pragma once

#include <optional>
#include <ostream>

namespace kestrune {

struct CommandLineOptions;

// A scenario (--scenario NAME) and the pictures (--snapshot) run in a throwaway home of their own, made
// in the temporary folder at the very start, before anything reads a folder: the user's settings, paired
// phone, records, photos and the reporting kits' stores are never read or written by them. The pictures'
// home goes when they are drawn; a scenario keeps its home, which its closing lines name, since its log
// and the photos its timeline tells of are in it, unless nothing could name it (its output's reader gone,
// or neither its output nor its error stream written, as when its terminal closed): then it goes too.
// Stopped by SIGINT, SIGTERM, SIGHUP or the closing of its output, a scenario still ends with its closing
// lines and the pictures still remove their home (StopSignals.h). Other runs use the user's home as ever.
// Answers the exit status when the home cannot be made (one line on `err` says why; nothing was
// touched); none to go on.
std::optional<int> enterHomeOfItsOwn(const CommandLineOptions& options, std::ostream& err);

}  // namespace kestrune
