// The main of every test program: GoogleTest with GoogleMock. A test program
// holds every test file of one test folder; --test-file=test_x.cpp runs only
// the tests defined in that file (the way CTest runs them, one process a
// file), and fails when the file defines no test, so that a misnamed file
// cannot pass by running nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// The gtest filter naming every test defined in the given file; empty when
// there is none.
std::string FilterOfFile(const std::string& file) {
  std::string filter;
  const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
  for (int s = 0; s < unit.total_test_suite_count(); ++s) {
    const testing::TestSuite& suite = *unit.GetTestSuite(s);
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const testing::TestInfo& info = *suite.GetTestInfo(t);
      if (BaseName(info.file()) != file) continue;
      if (!filter.empty()) filter += ':';
      filter += std::string(info.test_suite_name()) + "." + info.name();
    }
  }
  return filter;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleMock(&argc, argv);
  const std::string option = "--test-file=";
  std::string filter;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], option.c_str(), option.size()) != 0) {
      std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
      return 2;
    }
    std::string file = argv[i] + option.size();
    if (file.find('.') == std::string::npos) file += ".cpp";
    const std::string tests = FilterOfFile(file);
    if (tests.empty()) {
      std::fprintf(stderr, "no test is defined in %s\n", file.c_str());
      return 1;
    }
    filter += (filter.empty() ? "" : ":") + tests;
  }
  if (!filter.empty()) GTEST_FLAG_SET(filter, filter);
  return RUN_ALL_TESTS();
}
