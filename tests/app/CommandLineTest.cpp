// The command line as GetCommandLineW hands it over.
#include "app/CommandLine.h"
#include <gtest/gtest.h>

TEST(CommandLine, OneOptionWithSlashOrDashInAnyCaseElseUsage)
{
    const struct {
        const wchar_t* line;
        Command command;
        const wchar_t* pc;
    } cases[] = {
        {L"\"C:\\Program Files\\Hopdeck\\Hopdeck.exe\"", Command::None, L""}, {L"Hopdeck.exe   ", Command::None, L""},
        {L"Hopdeck.exe /switch", Command::Switch, L""},       {L"Hopdeck.exe -SWITCH", Command::Switch, L""},
        {L"\"C:\\a b\\Hopdeck.exe\" /Settings", Command::Settings, L""}, {L"Hopdeck.exe -exit", Command::Exit, L""},
        {L"Hopdeck.exe /EXIT", Command::Exit, L""},           {L"Hopdeck.exe switch", Command::Usage, L""},
        {L"Hopdeck.exe /switch /exit", Command::Usage, L""},  {L"Hopdeck.exe /switc", Command::Usage, L""},
        {L"Hopdeck.exe /switchx", Command::Usage, L""},       {L"Hopdeck.exe /", Command::Usage, L""},
        {L"Hopdeck.exe \"\"", Command::Usage, L""},
        // The PC to go to: a number or a name, quoted when it has spaces.
        {L"Hopdeck.exe /switch 3", Command::Switch, L"3"},   {L"Hopdeck.exe /switch \"Home Lab\"", Command::Switch, L"Home Lab"},
        {L"Hopdeck.exe /switch Home Lab", Command::Usage, L""}, {L"Hopdeck.exe /switch \"\"", Command::Usage, L""},
        {L"Hopdeck.exe /settings 3", Command::Usage, L""},
    };
    for (const auto& c : cases) {
        CStringW pc;
        EXPECT_EQ(ParseCommandLine(c.line, &pc), c.command) << c.line;
        EXPECT_STREQ(pc.c_str(), c.pc) << c.line;
    }
}
