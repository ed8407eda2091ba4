// Reference reader for the benchmark: counts lines with std::getline.
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::string line;
  long long lines = 0;
  while (std::getline(in, line)) ++lines;
  std::cout << lines << "\n";
  return 0;
}
