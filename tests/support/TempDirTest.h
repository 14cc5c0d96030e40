// A fixture that gives each test a fresh folder of its own under the test temp folder,
// removed again after the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::path(::testing::TempDir()) /
                ("marlo_" + std::string(info->test_suite_name()) + "_" + std::to_string(::getpid()) + "_" +
                 info->name());
        std::filesystem::remove_all(m_dir);
        ASSERT_TRUE(std::filesystem::create_directories(m_dir));
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    // The path of a file in the test's folder.
    std::string PathOf(const std::string& relative) const { return (m_dir / relative).string(); }

    // Writes the bytes to a file in the test's folder (creating its folders); returns its path.
    template <class Bytes>
    std::string WriteBytes(const std::string& relative, const Bytes& bytes) const {
        const std::filesystem::path path = m_dir / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    std::filesystem::path m_dir;
};
