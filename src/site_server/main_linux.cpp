#include "site/iconv_codec_linux.h"
#include "site_server/site_main.h"

int main(int argc, char** argv) {
    const mulan::site::IconvCodec codec;
    return mulan::site_server::RunSite(std::vector<std::string>(argv + 1, argv + argc), codec);
}
