// Test helpers over the registry: a clean product key for every test, and short ways to
// write and read keys and values below HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/wine_check.h"

// Removes "Software\Corvane Software" with everything below it.
void ClearCorvaneKey(void);
void CreateKey(const std::string& path);
bool KeyExists(const std::string& path);
void DeleteKey(const std::string& path);
// Stores `data` as it is, with the byte count given (the whole string by default).
void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data);
void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data, DWORD byteCount);
// The stored bytes of a value; `found` false when it does not exist.
std::string GetValue(const std::string& path, const char* name, DWORD* type = nullptr, bool* found = nullptr);
std::vector<std::string> SubkeyNames(const std::string& path);
// A registry link at `path` naming the key `target` (both below HKEY_LOCAL_MACHINE).
void CreateLink(const std::string& path, const std::string& target);
// Every key and value physically below `path` (links described, not followed), in a fixed
// order; empty when the key does not exist. Two equal descriptions mean equal trees.
std::string DescribeTree(const std::string& path);
// A pair key below Networks with the two addresses as the configurator writes them.
void StorePair(const std::string& subkeyName, const char* source, const char* destination);

// Every test starts with an empty Networks key and leaves no Corvane key behind.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#define NETWORKS "Software\\Corvane Software\\mDNS\\Networks"
// A key outside the store, which the tests' links name and nothing may change; the tests'
// clean-up removes it with the rest of the Corvane key.
#define OUTSIDE "Software\\Corvane Software\\Outside"
