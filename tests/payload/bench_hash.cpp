// Hashing speed and memory of hash_file_sha256 against a bare loop over the same
// bcrypt calls with the same 64 KiB buffer (ReadFile, no stream):
//   payload_hash_bench time FOLDER   makes FOLDER\bench_1m.bin and bench_256m.bin, times both ways
//   payload_hash_bench peak FILE     hashes FILE once and prints the process's peak memory
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "driver_setup/payload/hash_file_sha256.h"

namespace {

using win::FileHandle;

void make_file(const std::wstring& path, std::size_t mebibytes) {
  std::vector<char> block(1 << 20);
  std::ofstream out(path.c_str(), std::ios::binary);
  for (std::size_t m = 0; m < mebibytes; ++m) {
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((m * 31 + i * 167 + 13) & 0xFF);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

// The reference: no stream, no owners of ours beyond the handles, one buffer.
std::string bare_loop(const std::wstring& path) {
  const PayloadApi& api = real_payload_api();
  BCRYPT_ALG_HANDLE alg = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  api.open_algorithm_provider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  AlgorithmProvider provider(alg, {api.close_algorithm_provider});
  api.create_hash(alg, &hash, nullptr, 0, nullptr, 0, 0);
  HashObject owned_hash(hash, api.destroy_hash);
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  ::CloseHandle);
  std::vector<UCHAR> chunk(kPayloadReadChunk);
  DWORD got = 0;
  while (ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0)
    api.hash_data(hash, chunk.data(), got, 0);
  UCHAR digest[32];
  api.finish_hash(hash, digest, sizeof digest, 0);
  char text[65];
  for (int i = 0; i < 32; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}

template <typename F>
double seconds(F&& f, std::string& digest) {
  const auto start = std::chrono::steady_clock::now();
  digest = f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int time_both(const std::wstring& folder) {
  const std::wstring big = folder + L"\\bench_256m.bin";
  make_file(folder + L"\\bench_1m.bin", 1);
  make_file(big, 256);
  std::string product, bare;
  seconds([&] { return hash_file_sha256(big); }, product);  // warms the file cache
  std::vector<double> product_times, bare_times;
  for (int round = 0; round < 7; ++round) {
    product_times.push_back(seconds([&] { return hash_file_sha256(big); }, product));
    bare_times.push_back(seconds([&] { return bare_loop(big); }, bare));
  }
  if (product != bare) {
    std::printf("digests differ: %s %s\n", product.c_str(), bare.c_str());
    return 1;
  }
  const double mib = 256.0;
  std::printf("256 MiB, 7 rounds each, median (best):\n");
  std::printf("  hash_file_sha256  %.3f s (%.3f s)  %.0f MiB/s\n", median(product_times),
              *std::min_element(product_times.begin(), product_times.end()), mib / median(product_times));
  std::printf("  bare bcrypt loop  %.3f s (%.3f s)  %.0f MiB/s\n", median(bare_times),
              *std::min_element(bare_times.begin(), bare_times.end()), mib / median(bare_times));
  std::printf("  ratio of medians  %.3f\n", median(product_times) / median(bare_times));
  return 0;
}

int peak(const std::wstring& file) {
  const std::string digest = hash_file_sha256(file);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 1;
  std::printf("peak working set %zu KiB, peak private %zu KiB (%s...)\n", counters.PeakWorkingSetSize / 1024,
              counters.PeakPagefileUsage / 1024, digest.substr(0, 12).c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"time") return time_both(argv[2]);
  if (argc == 3 && std::wstring(argv[1]) == L"peak") return peak(argv[2]);
  std::printf("usage: payload_hash_bench time FOLDER | peak FILE\n");
  return 2;
}
