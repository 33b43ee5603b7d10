#pragma once
#include <string>

namespace tarvonel {

class ColumnSurface;

// Writes the job window's map as a PNG picture; returns an error text, empty on success.
std::string WriteMapPng(const ColumnSurface& surface, const std::string& path);

}  // namespace tarvonel
