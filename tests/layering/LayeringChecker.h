#pragma once

// The checker behind the layering test: reads the rule table, lists the tracked sources and answers
// every `#include "..."` that breaks a rule.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace layering {

struct Rules {
    // Each ordered folder and the folders it may include (itself among them).
    std::map<std::string, std::set<std::string>> allowed;
    // Folders whose headers only the listed folders (and the folder itself) may include.
    std::map<std::string, std::vector<std::string>> onlyFrom;
};

struct SourceFile {
    std::string path;  // relative to the source root, with '/'
    std::string text;
};

struct Violation {
    std::string file;
    int line = 0;
    std::string include;
    std::string reason;
};

inline bool isWithin(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

inline std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;) result.push_back(word);
    return result;
}

// Answers the rules, or none with the reason in `error`.
inline std::optional<Rules> parseRules(const std::string& text, std::string& error) {
    Rules rules;
    std::map<std::string, std::set<std::string>> below;  // direct: the folders before it on a line
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        auto parts = words(line.substr(0, line.find('#')));
        if (parts.empty()) continue;
        const std::string where = "rules line " + std::to_string(number) + ": ";
        if (parts[0] == "order") {
            if (parts.size() < 3) {
                error = where + "an order names at least two folders";
                return std::nullopt;
            }
            for (size_t i = 1; i < parts.size(); ++i) {
                auto& lower = below[parts[i]];
                for (size_t j = 1; j < i; ++j) lower.insert(parts[j]);
            }
        } else if (parts[0] == "only") {
            if (parts.size() < 3 || parts[1].empty() || parts[1].back() != ':') {
                error = where + "expected `only folder: users...`";
                return std::nullopt;
            }
            const std::string folder = parts[1].substr(0, parts[1].size() - 1);
            rules.onlyFrom[folder].assign(parts.begin() + 2, parts.end());
        } else {
            error = where + "unknown rule `" + parts[0] + "`";
            return std::nullopt;
        }
    }
    // Everything reachable downwards, through every line.
    for (const auto& [folder, direct] : below) {
        std::set<std::string> reach{folder};
        std::vector<std::string> pending(direct.begin(), direct.end());
        while (!pending.empty()) {
            std::string next = pending.back();
            pending.pop_back();
            if (!reach.insert(next).second) continue;
            for (const auto& further : below[next]) pending.push_back(further);
        }
        rules.allowed[folder] = std::move(reach);
    }
    for (const auto& [folder, reach] : rules.allowed) {
        for (const auto& other : reach) {
            if (other != folder && rules.allowed[other].count(folder)) {
                error = "the order puts " + folder + " both above and below " + other;
                return std::nullopt;
            }
        }
    }
    // A subfolder stands above the folder that holds it, so that it reaches what that folder reaches.
    for (const auto& [folder, reach] : rules.allowed) {
        for (const auto& [outer, unused] : rules.allowed) {
            if (isWithin(folder, outer) && !reach.count(outer)) {
                error = folder + " lies in " + outer + " but is not ordered above it";
                return std::nullopt;
            }
        }
    }
    if (rules.allowed.empty()) {
        error = "the rules name no order";
        return std::nullopt;
    }
    return rules;
}

// The ordered folder a path belongs to: the longest that holds it.
inline std::optional<std::string> folderOf(const Rules& rules, const std::string& path) {
    std::optional<std::string> best;
    for (const auto& [folder, reach] : rules.allowed) {
        if (isWithin(path, folder) && (!best || folder.size() > best->size())) best = folder;
    }
    return best;
}

// Whether a file of folder `own` may include a header of folder `theirs`: a folder it may include, or a
// subfolder of one that does not hold `own` (the order inside a lower folder is that folder's own).
inline bool permitted(const Rules& rules, const std::string& own, const std::string& theirs) {
    const auto& reach = rules.allowed.at(own);
    if (reach.count(theirs)) return true;
    return std::any_of(reach.begin(), reach.end(), [&](const std::string& lower) {
        return lower != own && isWithin(theirs, lower) && !isWithin(own, lower);
    });
}

inline std::vector<Violation> check(const Rules& rules, const std::vector<SourceFile>& files) {
    std::vector<Violation> violations;
    for (const auto& file : files) {
        const auto own = folderOf(rules, file.path);
        std::istringstream in(file.text);
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            size_t at = line.find_first_not_of(" \t");
            if (at == std::string::npos || line[at] != '#') continue;
            at = line.find_first_not_of(" \t", at + 1);
            if (at == std::string::npos || line.compare(at, 7, "include") != 0) continue;
            const size_t open = line.find('"', at + 7);
            const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
            if (close == std::string::npos) continue;  // a system header
            std::string target = line.substr(open + 1, close - open - 1);
            if (target.find('/') == std::string::npos) {
                // Beside the including file.
                const size_t slash = file.path.rfind('/');
                if (slash != std::string::npos) target = file.path.substr(0, slash + 1) + target;
            }
            auto report = [&](std::string reason) {
                violations.push_back({file.path, number, target, std::move(reason)});
            };
            for (const auto& [folder, users] : rules.onlyFrom) {
                if (!isWithin(target, folder) || isWithin(file.path, folder)) continue;
                const bool user = std::any_of(users.begin(), users.end(),
                                              [&](const std::string& u) { return isWithin(file.path, u); });
                if (!user) report(folder + " is for its users only, and " + file.path + " is not one");
            }
            if (!own) continue;
            const auto theirs = folderOf(rules, target);
            if (!theirs) {
                report(*own + " includes a header outside the layered folders");
            } else if (!permitted(rules, *own, *theirs)) {
                report(*own + " may not include " + *theirs);
            }
        }
    }
    return violations;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool isSource(const std::string& path) {
    for (const char* suffix : {".h", ".hpp", ".c", ".cc", ".cpp", ".inc"})
        if (path.ends_with(suffix)) return true;
    return false;
}

// The sources git tracks under the root (read from the working tree); without git, every source below
// the root outside hidden and build folders.
inline std::vector<SourceFile> trackedSources(const std::string& root) {
    namespace fs = std::filesystem;
    std::vector<std::string> paths;
    const std::string command = "git -C '" + root + "' ls-files -z 2>/dev/null";
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::string current;
        for (int c; (c = fgetc(pipe)) != EOF;) {
            if (c == '\0') {
                paths.push_back(current);
                current.clear();
            } else {
                current.push_back(static_cast<char>(c));
            }
        }
        if (pclose(pipe) != 0) paths.clear();
    }
    if (paths.empty()) {
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(root, error);
             it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (error) break;
            const auto name = it->path().filename().string();
            if (it->is_directory() && (name.starts_with(".") || fs::exists(it->path() / "CMakeCache.txt") ||
                                       name == "fuzz-corpus")) {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file()) paths.push_back(fs::relative(it->path(), root).generic_string());
        }
    }
    std::vector<SourceFile> files;
    for (const auto& path : paths) {
        if (!isSource(path)) continue;
        const fs::path full = fs::path(root) / path;
        if (!fs::is_regular_file(full)) continue;  // deleted in the working tree
        files.push_back({path, readFile(full)});
    }
    return files;
}

}  // namespace layering
