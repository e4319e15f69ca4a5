#include "common/text_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/utf8_path.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

using test::namesIn;
using test::readBytes;
using test::writeBytes;

using namespace std::string_literals;
using WriteFunction = void (*)(const std::filesystem::path&, const std::vector<std::string>&);

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}

class TextFileWriteTest : public testing::TestWithParam<WriteFunction> {
protected:
    ScratchFolder folder_;
};

TEST_P(TextFileWriteTest, WritesWindows1252WithCrLfAfterEveryLineReplacingTheOldContent) {
    const auto path = folder_ / "Aviso de Vencto - 1.txt";
    writeBytes(path, std::string(500, 'x'));
    GetParam()(path, {"De: cobran\u00e7a@empresa.com.br", "",
                      "Valor: \u20ac 1.234,50 \u2014 n\u00e3o \u00e9 \u03a9\U0001f600"});
    EXPECT_EQ(readBytes(path), "De: cobran\xE7" "a@empresa.com.br\r\n\r\nValor: \x80 1.234,50 \x97 n\xE3o \xE9 ??\r\n");
    EXPECT_EQ(namesIn(folder_.path()), std::vector<std::string>{"Aviso de Vencto - 1.txt"});
}

TEST_P(TextFileWriteTest, NoLinesGiveAnEmptyFile) {
    const auto path = folder_ / "vazio.txt";
    GetParam()(path, {});
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(readBytes(path), "");
}

TEST_P(TextFileWriteTest, AMissingFolderIsReportedWithTheFileNameAndLeavesNothingBehind) {
    const auto path = folder_ / "Caixa de Sa\u00edda" / "x.cfe";
    const std::string message = messageOf([&] { GetParam()(path, {"linha"}); });
    EXPECT_EQ(message.rfind("Não foi possível gravar o arquivo " + utf8Text(path) + ": ", 0), 0u) << message;
    EXPECT_TRUE(namesIn(folder_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(BothWriters, TextFileWriteTest, testing::Values(&writeTextFile, &writeTextFileAtomically),
                         [](const auto& info) { return info.index == 0 ? "Direct"s : "Atomic"s; });

TEST(TextFileAtomicTest, AFailedRenameRemovesTheTemporaryFile) {
    ScratchFolder folder;
    const auto target = folder / "ocupado";
    std::filesystem::create_directory(target);  // a file cannot take a folder's place
    const std::string message = messageOf([&] { writeTextFileAtomically(target, {"linha"}); });
    EXPECT_NE(message.find(utf8Text(target)), std::string::npos) << message;
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"ocupado"});
}

TEST(TextFileReadTest, TheSameTextInEveryEncodingReadsAlike) {
    ScratchFolder folder;
    const std::string expected = "Prezado cliente, a\u00e7\u00e3o \u00e9 \u20ac\r\n<data_vencimento>\r\n";
    const std::vector<std::string> encodings = {
        "Prezado cliente, a\xE7\xE3o \xE9 \x80\r\n<data_vencimento>\r\n",
        "\xEF\xBB\xBF" + expected,
        "\xFF\xFE" + [&] {
            std::string utf16;
            for (char16_t unit : u"Prezado cliente, a\u00e7\u00e3o \u00e9 \u20ac\r\n<data_vencimento>\r\n"s) {
                utf16 += static_cast<char>(unit & 0xFF);
                utf16 += static_cast<char>(unit >> 8);
            }
            return utf16;
        }(),
    };
    for (std::size_t i = 0; i < encodings.size(); ++i) {
        const auto path = folder / ("Email Aviso " + std::to_string(i) + ".txt");
        writeBytes(path, encodings[i]);
        EXPECT_EQ(readTextFile(path), expected) << "encoding " << i;
        EXPECT_EQ(readFirstLine(path), "Prezado cliente, a\u00e7\u00e3o \u00e9 \u20ac") << "encoding " << i;
    }
}

TEST(TextFileReadTest, FirstLine) {
    struct Case {
        std::string bytes;
        std::string firstLine;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"DESCONECTAR", "DESCONECTAR"},
        {"DESCONECTAR\r\noutra", "DESCONECTAR"},
        {"\r\nDESCONECTAR", ""},
        {"desconectar \rDESCONECTAR", "desconectar "},
        {"\xEF\xBB\xBF" "DESCONECTAR\n", "DESCONECTAR"},
    };
    ScratchFolder folder;
    const auto path = folder / "Conectado.txt";
    for (const auto& c : cases) {
        writeBytes(path, c.bytes);
        EXPECT_EQ(readFirstLine(path), c.firstLine) << testing::PrintToString(c.bytes);
    }
}

TEST(TextFileReadTest, ErrorsNameTheFile) {
    ScratchFolder folder;
    for (const auto& path : {folder / "faltando.txt", folder.path()}) {
        const std::string message = messageOf([&] { readTextFile(path); });
        EXPECT_EQ(message.rfind("Não foi possível ler o arquivo " + utf8Text(path) + ": ", 0), 0u) << message;
    }
    EXPECT_THROW(readFirstLine(folder / "faltando.txt"), std::runtime_error);
}

TEST(TextFileRoundTripTest, WhatIsWrittenReadsBackLineByLine) {
    ScratchFolder folder;
    const auto path = folder / "trava.lock";
    const std::vector<std::string> lines = {"Este arquivo indica que o monitor /opt/erp/velmoraMonitorPublicacao "
                                            "est\u00e1 em execu\u00e7\u00e3o.",
                                            "\u0081\u00ff"};
    writeTextFile(path, lines);
    EXPECT_EQ(readTextFile(path), lines[0] + "\r\n" + lines[1] + "\r\n");
}

}  // namespace
}  // namespace velmora
