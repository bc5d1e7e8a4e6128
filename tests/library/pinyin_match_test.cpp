#include "library/pinyin_match.h"

#include <gtest/gtest.h>

#include "library/search_text.h"

namespace mulan::library {
namespace {

std::vector<ReadingSet> Pinyin(std::string_view text) {
    std::vector<ReadingSet> sets;
    AppendPinyin(text, sets);
    return sets;
}

// The words are folded as a search key's are.
bool Matches(std::string_view text, std::string_view key) {
    const std::string folded = FoldForSearch(text);
    const std::vector<ReadingSet> pinyin = Pinyin(text);
    const std::uint32_t letters = PinyinLetters(pinyin);
    for (const std::string& word : SearchWords(key)) {
        if (!WordMatches(folded, pinyin, letters, word)) return false;
    }
    return true;
}

TEST(ChineseSearch, FoldingMakesTraditionalSimplifiedFullWidthHalfAndLatinLower) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"後來", "后来"},
        {"劉若英", "刘若英"},
        {"張學友 吻別", "张学友 吻别"},
        {"鄧麗君 月亮代表我的心", "邓丽君 月亮代表我的心"},
        {"乾隆", "干隆"},    // a character with two simplified forms takes the one that differs
        {"麼 麽", "么 么"},  // two traditional forms of one simplified character
        {"后来", "后来"},    // simplified stays
        {"ＡＢｃ１２３！", "abc123!"},
        {"Ａ　Ｂ", "a b"},  // the ideographic space is a space
        {"CAFÉ Ωmega", "café ωmega"},
        {"日本語のうた", "日本语のうた"},
    };
    for (const auto& [text, folded] : cases) {
        EXPECT_EQ(FoldForSearch(text), folded) << text;
        EXPECT_EQ(FoldForSearch(folded), folded) << "folding twice changes " << folded;
    }
}

TEST(ChineseSearch, PinyinWholeSyllablesInitialsAndAPrefixAtTheEnd) {
    struct Case {
        const char* text;
        const char* key;
        bool matches;
    };
    const std::vector<Case> cases{
        {"青花瓷", "qinghuaci", true},
        {"青花瓷", "qhc", true},
        {"青花瓷", "qhci", true},
        {"青花瓷", "qinghu", true},
        {"青花瓷", "qinghuac", true},
        {"青花瓷", "QHC", true},     // keys fold to lower case
        {"青花瓷", "ｑｈｃ", true},  // and to half width
        {"青花瓷", "qhuc", false},   // only the last character may give part of its syllable
        {"青花瓷", "hc", true},      // a run may start anywhere
        {"青花瓷", "qc", false},     // but is consecutive
        {"青花瓷", "qhcc", false},
        {"青花瓷", "qinghuacii", false},
        {"周杰伦", "zjl", true},
        {"周杰伦", "zhoujielun", true},
        {"周杰伦", "zhoujl", true},
        {"周杰倫", "zjl", true},  // traditional characters have their readings
        {"後來", "houlai", true},
        {"後來", "hl", true},
        {"重庆森林", "cqsl", true},  // every reading of a polyphone
        {"重庆森林", "zqsl", true},
        {"音乐", "yinyue", true},
        {"音乐", "yinle", true},
        {"女人", "nvren", true},  // ü typed as v
        {"女人", "nuren", true},  // or as u
        {"略", "lve", true},
        {"周杰伦 七里香", "zjl qlx", true},  // every word matches somewhere
        {"周杰伦 七里香", "zjlqlx", false},  // a run never crosses a space
        {"K歌之王", "kgzw", true},           // Latin letters take part in a run
        {"Blue 海风", "blue", true},         // Latin text still matches as text
        {"Blue 海风", "lu", true},
        {"Blue 海风", "hf", true},
        {"海风", "hai feng", true},
        {"海风", "haif", true},
        {"海风", "x", false},
        {"海风", "h", true},      // one letter: any syllable holding it
        {"海风", "e", true},      // feng holds e
        {"周杰伦", "u", true},    // zhou, lun
        {"周杰伦", "ie", false},  // the middle of a syllable is not a start
    };
    for (const Case& c : cases) EXPECT_EQ(Matches(c.text, c.key), c.matches) << c.text << " / " << c.key;
}

}  // namespace
}  // namespace mulan::library
