// SPDX-License-Identifier: MIT
// The .def/.rc reader behind linkory_add_module_tables: what it generates and what it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class ModuleTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = ::testing::TempDir() + "module_tables_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string mkdir = "mkdir -p '" + dir + "'";
        ASSERT_EQ(std::system(mkdir.c_str()), 0);
        Write("icon.ico", std::string("\0\0\1\0\0\0", 6));
        Write("text.ico", "not an icon");
    }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    }

    std::string Read(const std::string& name)
    {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs the generator; returns its exit status and leaves its messages in `output`.
    int Generate(const std::string& def, const std::string& rc)
    {
        Write("m.def", def);
        Write("m.rc", rc);
        std::remove((dir + "/out.cpp").c_str());
        std::string command = std::string("'") + CMAKE_COMMAND_PATH + "' -DDEF='" + dir + "/m.def' -DRC='" + dir +
                              "/m.rc' -DOUT='" + dir + "/out.cpp' -DDEPFILE='" + dir + "/out.d' -P '" +
                              MODULE_TABLES_SCRIPT + "' > '" + dir + "/log' 2>&1";
        int status = std::system(command.c_str());
        output = Read("log");
        return status;
    }

    std::string dir;
    std::string output;
};

const char kDef[] = "; comment\nLIBRARY \"Mod.dll\"\n\nEXPORTS\n  First @240 NONAME ; entry\n  Second @241 NONAME\n";

TEST_F(ModuleTables, GeneratesOrdinalsResourcesAndDependencies)
{
    ASSERT_EQ(Generate(kDef, "// icons\r\n7 ICON \"icon.ico\"\r\n"), 0) << output;
    const std::string source = Read("out.cpp");
    for (const char* expected : {"{240, reinterpret_cast<FARPROC>(&First)}", "{241, reinterpret_cast<FARPROC>(&Second)}",
                                 "{SIM_RT_GROUP_ICON, 7, resource_0, sizeof resource_0}",
                                 "0x00,0x00,0x01,0x00,0x00,0x00,", "__sim_module_name[] = \"Mod.dll\"",
                                 "__sim_ordinal_count = 2;", "__sim_resource_count = 1;", "= &DllMain;"}) {
        SCOPED_TRACE(expected);
        EXPECT_NE(source.find(expected), std::string::npos) << source;
    }
    EXPECT_NE(Read("out.d").find(dir + "/icon.ico"), std::string::npos) << "icon changes must re-run the generator";

    // A module with no resources still gets a well-formed, empty table.
    ASSERT_EQ(Generate(kDef, "\n// none\n"), 0) << output;
    EXPECT_NE(Read("out.cpp").find("__sim_resource_count = 0;"), std::string::npos);
}

TEST_F(ModuleTables, StopsAtTheFirstLineItCannotRead)
{
    const std::string icon = "1 ICON \"icon.ico\"\n";
    struct {
        const char* what;
        std::string def, rc;
        const char* message;  // "<file>:<line>: ..." as printed
    } cases[] = {
        {"no LIBRARY", "EXPORTS\n", icon, "m.def:1: expected LIBRARY"},
        {"no EXPORTS", "LIBRARY \"Mod.dll\"\nFirst @240 NONAME\n", icon, "m.def:2: expected EXPORTS"},
        {"named export", "LIBRARY Mod.dll\nEXPORTS\nFirst @240\n", icon, "m.def:3: expected an export"},
        {"ordinal 0", "LIBRARY Mod.dll\nEXPORTS\nFirst @0 NONAME\n", icon, "m.def:3: expected an ordinal from 1"},
        {"ordinal reused", "LIBRARY Mod.dll\nEXPORTS\nA @240 NONAME\nB @240 NONAME\n", icon,
         "m.def:4: expected each ordinal once"},
        {"export twice", "LIBRARY Mod.dll\nEXPORTS\nA @240 NONAME\nA @241 NONAME\n", icon,
         "m.def:4: expected each export once"},
        {"empty def", "; nothing\n", icon, "m.def:1: expected LIBRARY"},
        {"include", kDef, "#include \"resource.h\"\n" + icon, "m.rc:1: expected an icon group"},
        {"symbolic id", kDef, "IDI_IDLE ICON \"icon.ico\"\n", "m.rc:1: expected an icon group"},
        {"bitmap", kDef, icon + "2 BITMAP \"icon.ico\"\n", "m.rc:2: expected an icon group"},
        {"missing icon", kDef, "\n3 ICON \"gone.ico\"\n", "m.rc:2: expected an icon file"},
        {"not an icon", kDef, "3 ICON \"text.ico\"\n", "m.rc:1: expected " },
        {"id reused", kDef, icon + icon, "m.rc:2: expected each resource number once"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(Generate(c.def, c.rc), 0);
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
        EXPECT_TRUE(Read("out.cpp").empty()) << "no source may be left behind";
    }
}

}  // namespace
