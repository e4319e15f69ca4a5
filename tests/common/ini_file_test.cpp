#include "common/ini_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace velmora {
namespace {

// Windows-1252 text; the only character beyond ASCII is "ç".
const std::string serverIni =
    "; comment line\r\n"
    "solto=before any section\r\n"
    "[Database]\r\n"
    "Servidor =  srv01 \t\r\n"
    "path=C:\\ERP;x\r\n"
    "name=\"banco.fdb\"\r\n"
    "quoted='  spaced  '\r\n"
    "half=\"open\r\n"
    "mixed=\"mixed'\r\n"
    "empty=\r\n"
    "inline=C:\\ERP ;not a comment # nor this\r\n"
    "equals=a=b\r\n"
    "colon:no separator\r\n"
    "C:\\ERP\\key=drive\r\n"
    "   indented  =  yes\r\n"
    "noequals\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    "long=" + std::string(300, 'x') + "\r\n"
    "[database]\r\n"
    "Servidor=other\r\n"
    "extra=only in the repeated section\r\n"
    "[ Outro ]\n"
    "Chave=valor \xE7\r"
    "[IniServidor]\r\n"
    "nomearquivo=/srv/erp/Dados/velmora.ini";

struct Lookup {
    std::string section;
    std::string key;
    std::string value;  // "<default>" when the default must come back
};

const std::vector<Lookup> lookups = {
    {"Database", "Servidor", "srv01"},
    {"DATABASE", "servidor", "srv01"},
    {"Database", "path", "C:\\ERP;x"},
    {"Database", "name", "banco.fdb"},
    {"Database", "quoted", "  spaced  "},
    {"Database", "half", "\"open"},
    {"Database", "mixed", "\"mixed'"},
    {"Database", "empty", ""},
    {"Database", "inline", "C:\\ERP ;not a comment # nor this"},
    {"Database", "equals", "a=b"},
    {"Database", "colon", "<default>"},
    {"Database", "C:\\ERP\\key", "drive"},
    {"Database", "indented", "yes"},
    {"Database", "noequals", "<default>"},
    {"Database", "dup", "first"},
    {"Database", "long", std::string(300, 'x')},
    {"Database", "extra", "<default>"},
    {"Database", "missing", "<default>"},
    {"", "solto", "<default>"},
    {"outro", "CHAVE", "valor \u00e7"},
    {"IniServidor", "nomearquivo", "/srv/erp/Dados/velmora.ini"},
    {"Missing", "Servidor", "<default>"},
};

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string utf16LittleEndianOfLatin1(const std::string& bytes) {
    std::string utf16;
    for (char c : bytes) {
        utf16 += c;
        utf16 += '\0';
    }
    return utf16;
}

void expectLookups(const IniFile& ini, const std::string& encoding) {
    for (const auto& l : lookups) {
        EXPECT_EQ(ini.readString(l.section, l.key, "<default>"), l.value)
            << encoding << ": [" << l.section << "] " << l.key;
    }
}

TEST(IniFileTest, ReadsLikeTheWindowsProfileFunctionsInEveryEncoding) {
    ScratchFolder folder;
    std::string utf8 = serverIni;
    utf8.replace(utf8.find('\xE7'), 1, "\u00e7");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Windows-1252", serverIni},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-8 without mark, as a UTF-8 editor saves it", utf8},
        {"UTF-16 LE with mark", "\xFF\xFE" + utf16LittleEndianOfLatin1(serverIni)},
    };
    for (const auto& [encoding, bytes] : files) {
        const auto path = folder / "velmora.ini";
        writeBytes(path, bytes);
        expectLookups(IniFile(path), encoding);
    }
}

TEST(IniFileTest, AMissingOrUnreadableFileGivesTheDefaults) {
    ScratchFolder folder;
    for (const auto& path : {folder / "velmoraempresa.ini", folder.path()}) {
        const IniFile ini(path);
        EXPECT_EQ(ini.readString("IniServidor", "nomearquivo"), "");
        EXPECT_EQ(ini.readString("IniServidor", "nomearquivo", "padr\u00e3o"), "padr\u00e3o");
    }
}

TEST(IniFileTest, TheDefaultLosesItsTrailingBlanks) {
    const IniFile ini("/nonexistent/velmora.ini");
    EXPECT_EQ(ini.readString("Database", "path", "  C:\\ERP\\  "), "  C:\\ERP\\");
    EXPECT_EQ(ini.readString("Database", "path", "   "), "");
}

}  // namespace
}  // namespace velmora
