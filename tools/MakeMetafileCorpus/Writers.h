#pragma once
// The corpus writers, one per outside library; each writes its files into the folder.

#include <string>

void WriteUemfFiles(const std::string& folder);
void WriteLibemfFiles(const std::string& folder);
