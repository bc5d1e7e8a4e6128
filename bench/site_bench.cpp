#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>

#include "site/encode_query.h"
#include "site/fetch_page.h"
#include "site/hit_pattern.h"
#include "site/iconv_codec_linux.h"
#include "site/search.h"
#include "site/text_cut.h"

namespace mulan::site {
namespace {

constexpr size_t kHostileSize = 4 * 1024 * 1024;

std::string RecordedPage() {
    std::ifstream file(std::string(MULAN_SOURCE_DIR) + "/tests/site/data/search_u_page1.htm",
                       std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The scraper's work on one decoded page: cut out the block, match, cut each hit.
size_t ScrapePage(TextView page) {
    const Text block = BeforeMarker(AfterMarker(page, u"class=\"songNum\""), u"soBottom");
    return ScrapeHits(block, u"127.0.0.1:18180").size();
}

void SetThroughput(benchmark::State& state, size_t units) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * units * sizeof(char16_t)));
}

// A recorded mulan-site result page with 20 hits.
void BM_ScrapeRealisticPage(benchmark::State& state) {
    const IconvCodec codec;
    const Text page = DecodeBody(codec, RecordedPage(), kCharsetAuto);
    for (auto _ : state) benchmark::DoNotOptimize(ScrapePage(page));
    state.counters["hits"] = static_cast<double>(ScrapePage(page));
    SetThroughput(state, page.size());
}
BENCHMARK(BM_ScrapeRealisticPage);

Text Repeat(TextView piece, size_t size) {
    Text text;
    text.reserve(size + piece.size());
    while (text.size() < size) text += piece;
    return text;
}

// 4 MB pages made to hurt a backtracking engine.
Text HostilePage(int kind) {
    switch (kind) {
        case 0:  // one line, no white space: link openings that never close
            return Repeat(u"href=\"http://h/play/1.htm\">name", kHostileSize);
        case 1:  // one line of links whose closing tag comes only at the very end
            return Repeat(u"<a href=http://h/p/1.htm>x y ", kHostileSize) + u"></a>";
        case 2:  // unclosed tags and markers, no line feeds
            return Repeat(u"<a href=\"http://<font class=\"songNum\">找到相关结果共<", kHostileSize);
        default: {  // binary noise decoded as GBK
            std::mt19937 random(3);
            std::string bytes(kHostileSize, '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            return IconvCodec().Decode(bytes, kCharsetGb2312);
        }
    }
}

void BM_ScrapeHostilePage(benchmark::State& state) {
    const Text page = HostilePage(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ScrapePage(page));
    SetThroughput(state, page.size());
}
BENCHMARK(BM_ScrapeHostilePage)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The standard library's backtracking engine on a small slice of the first hostile page, for
// comparison: on one line its time grows faster than the cube of the length (512 bytes: about 8 s).
void BM_StdRegexHostileSlice(benchmark::State& state) {
    std::string page;
    while (page.size() < static_cast<size_t>(state.range(0))) page += "href=\"http://h/play/1.htm\">name";
    static const std::regex pattern(R"(href=["'\s]?http://([^\s]+)([^\n]*?)\b["'\s]?([^\n]*?)>([^\n]*?)</a>)",
                                    std::regex::ECMAScript | std::regex::icase);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            std::distance(std::sregex_iterator(page.begin(), page.end(), pattern), std::sregex_iterator()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_StdRegexHostileSlice)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

void BM_DecodeGbkPage(benchmark::State& state) {
    const IconvCodec codec;
    std::string body;
    const std::string page = RecordedPage();
    while (body.size() < kHostileSize) body += page;
    for (auto _ : state) benchmark::DoNotOptimize(DecodeBody(codec, body, kCharsetAuto));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeGbkPage)->Unit(benchmark::kMillisecond);

void BM_DecodeUtf8Page(benchmark::State& state) {
    const IconvCodec codec;
    std::string body;
    while (body.size() < kHostileSize) body += "后来的我们 Liu <br>";
    for (auto _ : state) benchmark::DoNotOptimize(DecodeBody(codec, body, kCharsetAuto));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeUtf8Page)->Unit(benchmark::kMillisecond);

void BM_EncodeQuery(benchmark::State& state) {
    const IconvCodec codec;
    const Text words = u"后来的我们 Liu 2024";
    for (auto _ : state) benchmark::DoNotOptimize(EncodeQuery(words, codec));
    state.counters["units/s"] = benchmark::Counter(static_cast<double>(state.iterations() * words.size()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EncodeQuery);

}  // namespace
}  // namespace mulan::site
