#include "options.h"

#include <cctype>
#include <charconv>

namespace lumenmeta_tool {

std::string Arguments::Value(const std::string& option, const std::string& fallback) const {
    const auto it = values.find(option);
    return it == values.end() ? fallback : it->second;
}

int Arguments::Number(const std::string& option, int fallback) const {
    const auto it = values.find(option);
    if (it == values.end()) return fallback;
    const std::string& text = it->second;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw UsageError(option + " needs a whole number, not \"" + text + "\"");
    }
    return number;
}

Arguments ParseArguments(const std::vector<std::string>& words, KnownOptions known) {
    known.withValue.insert({"-j", "--timeout", "--where", "--where-missing"});
    known.flags.insert({"-r", "-L", "--trace", "--verbose", "--help", "-h", "--no-job-limit"});
    Arguments arguments;
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        // "-2" and "-1:30" are amounts (for shift), never options.
        if (optionsEnded || word.size() < 2 || word[0] != '-' ||
            std::isdigit(static_cast<unsigned char>(word[1]))) {
            arguments.positional.push_back(word);
            arguments.given.emplace_back("", word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (const size_t equals = word.find('=');
                   word.rfind("--", 0) == 0 && equals != std::string::npos &&
                   (known.withValue.count(word.substr(0, equals)) ||
                    known.optionalValue.count(word.substr(0, equals)))) {
            const std::string option = word.substr(0, equals);
            if (known.optionalValue.count(option)) arguments.flags.insert(option);
            arguments.values[option] = word.substr(equals + 1);
            arguments.given.emplace_back(option, word.substr(equals + 1));
        } else if (known.flags.count(word) || known.optionalValue.count(word)) {
            arguments.flags.insert(word == "-h" ? "--help" : word);
        } else if (known.withValue.count(word)) {
            if (i + 1 >= words.size()) throw UsageError(word + " needs a value");
            arguments.values[word] = words[++i];
            arguments.given.emplace_back(word, words[i]);
        } else if (word.rfind("-j", 0) == 0 && word.size() > 2) {
            arguments.values["-j"] = word.substr(2);
        } else {
            throw UsageError("unknown option " + word);
        }
    }
    return arguments;
}

}  // namespace lumenmeta_tool
