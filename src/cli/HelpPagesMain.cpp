// Writes the command reference for the build: `man` the manual page, `commands` the command
// words one a line (what the shell completions offer).
#include "cli/CommandHelp.h"
#include "core/Version.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    using namespace tavik;
    QString text;
    if (argc == 2 && std::strcmp(argv[1], "man") == 0)
        text = manPage(QString::fromLatin1(kVersion));
    else if (argc == 2 && std::strcmp(argv[1], "commands") == 0)
        text = commandWords().join(u'\n') + u'\n';
    else {
        std::fputs("usage: tavik_help_pages man|commands\n", stderr);
        return 2;
    }
    const QByteArray bytes = text.toUtf8();
    return std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) == static_cast<std::size_t>(bytes.size()) ? 0 : 1;
}
