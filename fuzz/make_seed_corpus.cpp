// Writes the fuzzer's seed corpus into the folder given as argument: real
// files saved by TMemoryDB::SaveToFile, one per small tree.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fake_host.h"
#include "memory_db.h"

namespace {

struct TSeed {
  const char* Name;
  std::function<void(TDDList&)> Build;
};

const std::vector<TSeed>& Seeds() {
  static const std::vector<TSeed> seeds = {
      {"empty-tree", [](TDDList&) {}},
      {"one-drive-one-file", [](TDDList& list) { list.AddEntry("A.TXT", list.AddNode("C:", nullptr)); }},
      {"nested-two-drives",
       [](TDDList& list) {
         TDirectoryRecord* c = list.AddNode("C:", nullptr);
         TDirectoryRecord* windows = list.AddNode("WINDOWS", c);
         TDirectoryRecord* system = list.AddNode("SYSTEM", windows);
         TDirectoryRecord* d = list.AddNode("D:", nullptr);
         list.AddEntry("AUTOEXEC.BAT", c);
         list.AddEntry("CONFIG.SYS", c);
         list.AddEntry("WIN.INI", windows);
         list.AddEntry("USER.EXE", system);
         list.AddEntry("GDI.EXE", system);
         list.AddEntry("CAF\xC9.TXT", d);
       }},
      {"parent-later-in-chain",
       [](TDDList& list) {
         TDirectoryRecord* c = list.AddNode("C:", nullptr);
         TDirectoryRecord* docs = list.AddNode("DOCS", c);
         TDirectoryRecord* newer = list.AddNode("NEW", c);
         list.MoveNode(docs, "DOCS", newer);
         list.AddEntry("README", docs);
       }},
      {"longest-names",
       [](TDDList& list) {
         TDirectoryRecord* c = list.AddNode(std::string(255, 'D'), nullptr);
         list.AddEntry(std::string(255, 'F'), c);
         list.AddEntry("", c);
       }},
  };
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  for (const TSeed& seed : Seeds()) {
    TFakeHost host;
    TMemoryDB db(host);
    seed.Build(*db.DirList);
    db.FileName = (std::filesystem::path(argv[1]) / (std::string(seed.Name) + ".dat")).string();
    if (!db.SaveToFile()) {
      std::fprintf(stderr, "cannot write %s\n", db.FileName.c_str());
      return 1;
    }
  }
  return 0;
}
