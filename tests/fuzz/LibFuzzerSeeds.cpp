// Under libFuzzer: the target's own typical inputs (QvFuzzSeeds) become its
// seed corpus. When the command line names no corpus folder, the seeds are
// written to "<program>.corpus" next to the program and that folder is
// added to the command line, so every run starts from them (new inputs
// that libFuzzer finds are kept there too).
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" __attribute__((weak)) void QvFuzzSeeds(std::vector<std::string>* seeds);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (!QvFuzzSeeds || *argc < 1) return 0;
  for (int i = 1; i < *argc; ++i)
    if ((*argv)[i][0] != '-') return 0;  // a corpus folder was given
  std::vector<std::string> seeds;
  QvFuzzSeeds(&seeds);
  static std::string folder = std::string((*argv)[0]) + ".corpus";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return 0;
  for (size_t i = 0; i < seeds.size(); ++i) {
    std::ofstream out(folder + "/seed-" + std::to_string(i), std::ios::binary);
    out << seeds[i];
  }
  static std::vector<char*> args(*argv, *argv + *argc);
  args.push_back(folder.data());
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
  return 0;
}
