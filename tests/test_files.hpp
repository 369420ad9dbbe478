// Scratch files for tests: a fresh directory per test, bytes in and out.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "textio/files.hpp"

class ScratchDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        file_close_all();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory_ = std::filesystem::temp_directory_path() /
                     ("tonemill-" + std::string(info->test_suite_name()) + "-" + info->name());
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
        // The run names the array after the path it was given: work in place.
        previous_directory_ = std::filesystem::current_path();
        std::filesystem::current_path(directory_);
    }

    void TearDown() override {
        file_close_all();
        std::filesystem::current_path(previous_directory_);
        std::filesystem::remove_all(directory_);
    }

    // Names are relative to the scratch directory, which is the working directory.
    std::string path(const std::string& name) const { return name; }

    std::string make_file(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }

    std::string bytes_of(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

  private:
    std::filesystem::path directory_;
    std::filesystem::path previous_directory_;
};
