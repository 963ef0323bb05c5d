// Reads a field-values file as an outside program of an edit form does: the record up to
// "ENDREC" (continuation lines starting with '*' joined to their item with a line feed),
// then the window line. Writes what it read to the output file, one item a line with line
// feeds shown as "\n", then "ARG " and each further argument, then "DONE".
//   read_field_values <field-values file> <output file> [arguments...]
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  FILE* in = std::fopen(argv[1], "r");
  if (!in) return 101;
  std::vector<std::string> items;
  char line[16384];
  bool ended = false;
  while (std::fgets(line, sizeof line, in)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!ended && !text.empty() && text[0] == '*' && !items.empty()) {
      items.back() += "\\n" + text.substr(1);
      continue;
    }
    if (text == "ENDREC") ended = true;
    items.push_back(text);
  }
  std::fclose(in);
  // Written under another name first, so a reader never sees half a file.
  const std::string part = std::string(argv[2]) + ".part";
  FILE* out = std::fopen(part.c_str(), "w");
  if (!out) return 102;
  for (const std::string& item : items) std::fprintf(out, "%s\n", item.c_str());
  for (int i = 3; i < argc; ++i) std::fprintf(out, "ARG %s\n", argv[i]);
  std::fprintf(out, "DONE\n");
  std::fclose(out);
  std::remove(argv[2]);
  return std::rename(part.c_str(), argv[2]) == 0 ? 0 : 103;
}
