// gpstracking-unit-sim: the simulated tracking unit on a pseudo-terminal. It prints the path of
// the terminal's device (the PC side), optionally makes a symlink to it, and then plays the
// unit on it in real time until it is stopped.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/demo.h"
#include "sim/log_operation.h"
#include "sim/pty_server.h"
#include "sim/unit.h"

namespace {

// A GPS log file: one record a line, in reading order; blank lines and CRs are skipped.
std::vector<std::string> readLog(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "gpstracking-unit-sim: cannot read %s\n", path.c_str());
    std::exit(1);
  }
  std::vector<std::string> records;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) records.push_back(line);
  }
  return records;
}

std::string usageText() {
  return "usage: gpstracking-unit-sim [--link PATH] [--silent] [--answer TEXT] [--pieces N]\n"
         "                            [--lower] [--password TEXT] [--accept TEXT]\n"
         "                            [--silent-after K] [--log-file FILE] [--transcript FILE]\n"
         "                            [--hostile ACT[:STAGE[:K]]] [--seed N] [--flood N]\n"
         "                            [--baud-pacing] [--store-wrong INDEX] [--silence-limit S]\n"
         "                            [--help] [--version]\n"
         "Serves a simulated GPS tracking unit on a pseudo-terminal and prints its device path.\n"
         "Point COMn at it with GPSTRACKING_COMn=PATH.\n"
         "  --log-file FILE   the GPS log to send: one 38-digit record a line\n"
         "  --transcript FILE every piece on the line, as it goes: 'pc HEX', 'unit HEX',\n"
         "                    'accept LETTER', 'end', each with the seconds since the start\n"
         "  --hostile ACT[:STAGE[:K]]  after K characters (0) of STAGE (data) the unit turns\n"
         "                    hostile; ACT: noise (random bytes), high (bytes above 127), nul,\n"
         "                    flood (N random characters at once, then silence), stop (silence),\n"
         "                    vanish (closes the terminal and ends); STAGE: wake, password, data\n"
         "  --seed N          seed of the random bytes;  --flood N  size of a flood (4096)\n"
         "  --baud-pacing     each character takes its time on the line at the speed the PC\n"
         "                    has set (10 bits a character), both ways\n"
         "  --store-wrong INDEX  a configuration download stores the image byte at INDEX one\n"
         "                    higher than it came\n"
         "  --silence-limit S after S seconds (" +
         std::to_string(sim::Knobs{}.silenceLimit) +
         ") without a word from the PC in the middle of an\n"
         "                    exchange the unit gives it up and answers polls again (0: never;\n"
         "                    below 3 it cuts short the PC's own pauses in the handshake)\n";
}

// A wrong command line: one line saying what is wrong, then the usage.
[[noreturn]] void usage(const std::string& error) {
  std::fprintf(stderr, "gpstracking-unit-sim: %s\n%s", error.c_str(), usageText().c_str());
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  sim::Unit unit;
  sim::installDemoOperations(unit);
  std::string linkPath, transcriptPath;
  bool pacing = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage(std::string(arg) + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(usageText().c_str(), stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("gpstracking-unit-sim %s\n", GPSTRACKING_VERSION);
      return 0;
    }
    if (arg == "--link")
      linkPath = value();
    else if (arg == "--silent")
      unit.knobs.silent = true;
    else if (arg == "--answer")
      unit.knobs.wakeAnswer = value() + "\r\n";
    else if (arg == "--pieces")
      unit.knobs.wakePieces = std::atoi(value().c_str());
    else if (arg == "--lower")
      unit.knobs.lowerCase = true;
    else if (arg == "--password")
      unit.knobs.password = value();
    else if (arg == "--accept")
      unit.knobs.accept = value();
    else if (arg == "--silent-after")
      unit.knobs.silentAfter = std::atoi(value().c_str());
    else if (arg == "--log-file")
      unit.install<sim::LogOperation>('L', readLog(value()));
    else if (arg == "--transcript")
      transcriptPath = value();
    else if (arg == "--hostile") {
      const auto hostility = sim::parseHostility(value());
      if (!hostility) usage("--hostile takes ACT[:STAGE[:K]]");
      const auto seed = unit.hostile.settings.seed;
      const auto flood = unit.hostile.settings.floodSize;
      unit.hostile.settings = *hostility;
      unit.hostile.settings.seed = seed;
      unit.hostile.settings.floodSize = flood;
    } else if (arg == "--seed")
      unit.hostile.settings.seed =
          static_cast<std::uint32_t>(std::strtoul(value().c_str(), nullptr, 10));
    else if (arg == "--baud-pacing")
      pacing = true;
    else if (arg == "--store-wrong")
      unit.knobs.storeWrong = std::atoi(value().c_str());
    else if (arg == "--flood")
      unit.hostile.settings.floodSize = std::atoi(value().c_str());
    else if (arg == "--silence-limit")
      unit.knobs.silenceLimit = std::max(0, std::atoi(value().c_str()));
    else
      usage("unknown option " + std::string(arg));
  }

  try {
    sim::PtyServer server(unit);
    server.setPacing(pacing);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> transcript(nullptr, &std::fclose);
    if (!transcriptPath.empty()) {
      transcript.reset(std::fopen(transcriptPath.c_str(), "w"));
      if (!transcript) {
        std::perror(transcriptPath.c_str());
        return 1;
      }
      server.setTranscript(transcript.get());
    }
    if (!linkPath.empty()) {
      ::unlink(linkPath.c_str());
      if (::symlink(server.path().c_str(), linkPath.c_str()) != 0) {
        std::perror("symlink");
        return 1;
      }
    }
    std::printf("%s\n", server.path().c_str());
    std::fflush(stdout);
    static sim::PtyServer* serving = &server;
    std::signal(SIGINT, [](int) { serving->stop(); });
    std::signal(SIGTERM, [](int) { serving->stop(); });
    server.serve();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gpstracking-unit-sim: %s\n", e.what());
    return 1;
  }
  if (!linkPath.empty()) ::unlink(linkPath.c_str());
  return 0;
}
