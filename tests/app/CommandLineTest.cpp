// The command line as GetCommandLineW hands it over.
#include "app/CommandLine.h"
#include <gtest/gtest.h>

TEST(CommandLine, OneOptionWithSlashOrDashInAnyCaseElseUsage)
{
    const struct {
        const wchar_t* line;
        Command command;
    } cases[] = {
        {L"\"C:\\Program Files\\Hopdeck\\Hopdeck.exe\"", Command::None}, {L"Hopdeck.exe   ", Command::None},
        {L"Hopdeck.exe /switch", Command::Switch},       {L"Hopdeck.exe -SWITCH", Command::Switch},
        {L"\"C:\\a b\\Hopdeck.exe\" /Settings", Command::Settings}, {L"Hopdeck.exe -exit", Command::Exit},
        {L"Hopdeck.exe /EXIT", Command::Exit},           {L"Hopdeck.exe switch", Command::Usage},
        {L"Hopdeck.exe /switch /exit", Command::Usage},  {L"Hopdeck.exe /switc", Command::Usage},
        {L"Hopdeck.exe /switchx", Command::Usage},       {L"Hopdeck.exe /", Command::Usage},
        {L"Hopdeck.exe \"\"", Command::Usage},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseCommandLine(c.line), c.command) << c.line;
}
