#pragma once
// The sub-commands of sundra-cli. Each takes the arguments after its name and
// returns the process exit status (0 success, 1 failure with a message on
// standard error).

#include <string>
#include <vector>

namespace sundra::cli {

using Arguments = std::vector<std::string>;

int runInfo(const Arguments& args);      // info FILE.wav
int runCopy(const Arguments& args);      // copy IN.wav OUT.wav
int runMakeAlbum(const Arguments& args); // make-album OUT.wav --minutes N [--seed S]
int runSplit(const Arguments& args);     // split FILE.wav [options] [--save] [--out DIR]
int runPlay(const Arguments& args);      // play FILE.wav [--from S] [--seconds N]
int runRecord(const Arguments& args);    // record OUT.wav --seconds N
int runPeaks(const Arguments& args);     // peaks FILE.wav OUT.dat [--zoom N]
int runCut(const Arguments& args);       // cut FILE.wav --cue IN.cue | --labels IN.txt [--save]

} // namespace sundra::cli
