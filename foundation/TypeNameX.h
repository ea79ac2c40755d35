#pragma once
// Readable names of template arguments, used to build the function names that the container
// templates report through AssertFailed ("ArrayX<class StringX>::Add",
// "BinarySearchTreeX<class AssetX *,class StringX>::Remove"). Only the failure paths call these.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace kx_detail {

// The compiler's own spelling of T, cut out of the pretty function name.
template <class T>
constexpr std::string_view CompilerTypeName() {
  std::string_view pretty = __PRETTY_FUNCTION__;
  const std::string_view marker = "T = ";
  const size_t start = pretty.find(marker);
  if (start == std::string_view::npos) return "?";
  pretty.remove_prefix(start + marker.size());
  const size_t stop = pretty.find_first_of(";]");
  return stop == std::string_view::npos ? pretty : pretty.substr(0, stop);
}

}  // namespace kx_detail

// Fundamental types get their usual spelling, classes the "class " prefix, pointers a " *" suffix.
template <class T>
std::string TypeNameX() {
  using U = std::remove_cv_t<T>;
  if constexpr (std::is_pointer_v<U>) {
    return TypeNameX<std::remove_pointer_t<U>>() + " *";
  } else if constexpr (std::is_same_v<U, bool>) {
    return "bool";
  } else if constexpr (std::is_same_v<U, char>) {
    return "char";
  } else if constexpr (std::is_same_v<U, unsigned char>) {
    return "unsigned char";
  } else if constexpr (std::is_same_v<U, short>) {
    return "short";
  } else if constexpr (std::is_same_v<U, unsigned short>) {
    return "unsigned short";
  } else if constexpr (std::is_same_v<U, int>) {
    return "int";
  } else if constexpr (std::is_same_v<U, unsigned int>) {
    return "unsigned int";
  } else if constexpr (std::is_same_v<U, long>) {
    return "long";
  } else if constexpr (std::is_same_v<U, unsigned long>) {
    return "unsigned long";
  } else if constexpr (std::is_same_v<U, long long>) {
    return "__int64";
  } else if constexpr (std::is_same_v<U, unsigned long long>) {
    return "unsigned __int64";
  } else if constexpr (std::is_same_v<U, float>) {
    return "float";
  } else if constexpr (std::is_same_v<U, double>) {
    return "double";
  } else if constexpr (std::is_class_v<U>) {
    return "class " + std::string(kx_detail::CompilerTypeName<U>());
  } else {
    return std::string(kx_detail::CompilerTypeName<U>());
  }
}
