#pragma once

// Golden files under tests/data: "[name]" opens a case, and every other line that is neither
// blank nor a "#" comment is one row of the case before it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pyra::golden {

struct Case {
  std::string name;
  std::vector<std::string> rows;
};

inline std::vector<Case> ReadCases(const std::string& file) {
  std::ifstream in(PYRA_TEST_DATA "/" + file);
  std::vector<Case> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      cases.push_back({line.substr(1, line.find(']') - 1), {}});
    } else if (cases.empty()) {
      ADD_FAILURE() << file << ": a row before the first case: " << line;
    } else {
      cases.back().rows.push_back(line);
    }
  }
  EXPECT_FALSE(cases.empty()) << "no cases in " << file;
  return cases;
}

inline std::vector<std::string> Words(const std::string& row) {
  std::istringstream in(row);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The numbers of words[from, to).
inline std::vector<int> Ints(const std::vector<std::string>& words, std::size_t from,
                             std::size_t to = std::string::npos) {
  std::vector<int> v;
  for (std::size_t i = from; i < std::min(to, words.size()); ++i) v.push_back(std::stoi(words[i]));
  return v;
}

// Numbers as a row writes them: separated by one blank.
inline std::string Join(const std::vector<int>& v) {
  std::string s;
  for (int x : v) s += (s.empty() ? "" : " ") + std::to_string(x);
  return s;
}

// The row after its first `n` words, as written.
inline std::string Rest(const std::string& row, int n) {
  std::istringstream in(row);
  std::string word;
  for (int i = 0; i < n; ++i) in >> word;
  std::string rest;
  std::getline(in >> std::ws, rest);
  return rest;
}

// Rows "INPUT : ANSWER", in cases named by the kind of answer: each must give its answer.
template <typename AnswerOf>
void ExpectAnswers(const std::string& file, AnswerOf answer_of) {
  for (const Case& c : ReadCases(file)) {
    for (const std::string& row : c.rows) {
      const std::size_t colon = row.find(" : ");
      EXPECT_EQ(answer_of(c.name, Words(row.substr(0, colon))), row.substr(colon + 3))
          << c.name << ": " << row;
    }
  }
}

}  // namespace pyra::golden
