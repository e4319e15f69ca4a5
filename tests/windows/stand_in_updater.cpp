// Stands in for the updater: writes the words of its command line, one per line in UTF-8, into "chamada.txt"
// beside itself, as the real updater would read them.
#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const std::filesystem::path folder = std::filesystem::path(self).parent_path();
    std::string lines;
    for (int i = 1; i < count; ++i) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
        std::string word(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_UTF8, 0, words[i], -1, word.data(), length, nullptr, nullptr);
        word.resize(word.size() - 1);  // the terminating zero
        lines += word + "\n";
    }
    LocalFree(words);
    // Written under another name and renamed, so that the test never reads half of it.
    std::ofstream(folder / L"chamada.tmp", std::ios::binary) << lines;
    std::filesystem::rename(folder / L"chamada.tmp", folder / L"chamada.txt");
    return 0;
}
