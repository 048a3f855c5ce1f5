// drivora board import from its command line to the file it writes: every
// fixture becomes a board file that the board loader accepts, names its
// source and holds the functions the reader found; refusals leave no file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sim/board_hardware.h"
#include "tools/drivora/command_line.h"
#include "tools/drivora/import_command.h"
#include "tools/drivora/lspci_reader.h"

namespace drivora::tool {
namespace {

const std::string kCorpus = std::string(DRIVORA_SOURCE_DIR) + "/tests/lspci_corpus/";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Import(const std::vector<std::string>& args) {
  std::string error;
  const auto options = ParseCommandLine(args, error);
  EXPECT_TRUE(options) << error;
  if (!options) return {-1, "", error};
  std::ostringstream out, err;
  const int status = RunBoardImport(*options, out, err);
  return {status, out.str(), err.str()};
}

class ImportedFixture : public testing::TestWithParam<std::string> {};

TEST_P(ImportedFixture, ReadsBackAsTheFunctionsTheReaderFound) {
  const std::string source = kCorpus + GetParam();
  const auto boardPath = std::filesystem::path(testing::TempDir()) / (GetParam() + ".board");
  const Outcome run = Import({"board", "import", source, boardPath.string(), "--name", "Fixture " + GetParam()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("imported "), 0u);

  const std::string text = ReadAll(boardPath);
  EXPECT_TRUE(text.starts_with("; Imported by drivora board import from " + source + ", the output of lspci.\n"));
  std::string error;
  const auto board = LoadBoardFile(boardPath.string(), error);
  ASSERT_TRUE(board) << error;
  EXPECT_STREQ(board->name, ("Fixture " + GetParam()).c_str());

  LspciImport import;
  LspciMessage refusal;
  ASSERT_TRUE(ReadLspciText(ReadAll(source), import, refusal));
  ASSERT_EQ(board->pciCount, static_cast<int>(import.functions.size()));
  for (int i = 0; i < board->pciCount; ++i) {
    SCOPED_TRACE(i);
    const sim::PciFunction &written = board->pci[i], &found = import.functions[i].pci;
    EXPECT_EQ(written.bus << 16 | written.device << 8 | written.function, found.bus << 16 | found.device << 8 | found.function);
    EXPECT_EQ(std::memcmp(written.config, found.config, sizeof found.config), 0);
  }
  // Only a function whose bytes came from a dump has its header written out.
  const bool anyDump = import.functions.front().headerBytes > 0;
  EXPECT_EQ(text.find(".Config=") != std::string::npos, anyDump);
  std::filesystem::remove(boardPath);
}

INSTANTIATE_TEST_SUITE_P(Corpus, ImportedFixture,
                         testing::Values("amd-b450-nnv.txt", "intel-g41-ich7-nnvv.txt",
                                         "intel-h97-graphics-card-nnvvxxx.txt", "nvidia-mcp55-dnn.txt",
                                         "via-k8t800-agp-nnx.txt"),
                         [](const testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param.substr(0, param.param.find('.'));
                           for (char& c : name) c = c == '-' ? '_' : c;
                           return name;
                         });

TEST(BoardImport, NotesNameTheFileAndLineAndTheNameDefaultsToTheSource) {
  const auto boardPath = std::filesystem::path(testing::TempDir()) / "g41.board";
  const Outcome run = Import({"board", "import", kCorpus + "intel-g41-ich7-nnvv.txt", boardPath.string()});
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.starts_with("drivora: " + kCorpus + "intel-g41-ich7-nnvv.txt:51: note: 00:1c.0: ")) << run.err;
  std::string error;
  const auto board = LoadBoardFile(boardPath.string(), error);
  ASSERT_TRUE(board) << error;
  EXPECT_STREQ(board->name, "Imported from intel-g41-ich7-nnvv.txt");
  std::filesystem::remove(boardPath);
}

TEST(BoardImport, FunctionsBeyondWhatABoardHoldsAreLeftOutAndNamed) {
  const auto folder = std::filesystem::path(testing::TempDir());
  std::ofstream lspci(folder / "many.txt");
  for (int bus = 0; bus < 40; ++bus)
    for (int device = 0; device < 8; ++device)
      lspci << std::hex << (bus < 16 ? "0" : "") << bus << ":0" << device << ".0 USB controller [0c03]: Device [8086:a36d]\n";
  lspci.close();
  const Outcome run = Import({"board", "import", (folder / "many.txt").string(), (folder / "many.board").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("drivora: left out: 64 PCI functions beyond the first 256"), std::string::npos) << run.err;
  std::string error;
  const auto board = LoadBoardFile((folder / "many.board").string(), error);
  ASSERT_TRUE(board) << error;
  EXPECT_EQ(board->pciCount, 256);
}

TEST(BoardImport, ARefusedOrUnreadableTextWritesNothing) {
  const auto folder = std::filesystem::path(testing::TempDir());
  std::ofstream(folder / "prose.txt") << "Nothing here.\n";
  const auto boardPath = folder / "refused.board";
  std::filesystem::remove(boardPath);
  const Outcome refused = Import({"board", "import", (folder / "prose.txt").string(), boardPath.string()});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "drivora: " + (folder / "prose.txt").string() +
                             ": no PCI function: expected the output of lspci -nn (lines such as '00:1f.3 Audio "
                             "device [0403]: ... [8086:a170]') or of lspci -x\n");
  const Outcome missing = Import({"board", "import", (folder / "absent.txt").string(), boardPath.string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "drivora: " + (folder / "absent.txt").string() + ": cannot be read\n");
  EXPECT_FALSE(std::filesystem::exists(boardPath));
}

TEST(BoardImportCommandLine, TakesTheTextThenTheBoardAndAName) {
  std::string error;
  const auto options = ParseCommandLine({"board", "import", "x.txt", "--name", "Board X", "x.board"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->command, Command::BoardImport);
  EXPECT_EQ(options->lspciPath, "x.txt");
  EXPECT_EQ(options->boardPath, "x.board");
  EXPECT_EQ(options->boardName, "Board X");
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"board", "import"}, {"board", "import", "x.txt"}, {"board", "import", "a", "b", "c"},
           {"board", "import", "a", "b", "--name"}, {"board", "check", "a.board", "--name", "x"}}) {
    error.clear();
    EXPECT_FALSE(ParseCommandLine(wrong, error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace drivora::tool
