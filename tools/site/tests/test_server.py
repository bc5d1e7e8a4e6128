import json
import os
import re
import time
import unittest

from mulansite.query import encode_query

from . import player_reader as reader
from .support import SiteProcess, demo_catalogue, demo_listing, raw_exchange, request, scratch_dir, write_tone

COUNT_MARKER = re.compile(r"找到相关结果共<font[^>]*>(\d+)</font>个")


class DemoSiteTest(unittest.TestCase):
    """The site over the demo catalogue, read the way the player reads it."""

    @classmethod
    def setUpClass(cls):
        cls.listing = demo_listing()
        cls.songs = {s["id"]: s for s in cls.listing["songs"]}
        cls.site = SiteProcess(demo_catalogue())

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def search_page(self, key, page=None):
        target = "/so.asp?key=" + encode_query(key) if page is None else "/so.asp?page=%d&key=%s" % (page, encode_query(key))
        reply = request(self.site.search, target)
        self.assertEqual(reply.status, 200)
        return reader.decode_auto(reply.body)

    def player_search(self, key):
        """All hits of a search, fetching pages as the player does; also the number of pages fetched."""
        first = self.search_page(key)
        hits, fetched = reader.scrape_hits(first, self.site.site), 1
        page, count = 1, reader.page_count(first)
        while page < count:
            page += 1
            text = self.search_page(key, page)
            count = reader.page_count(text)
            hits += reader.scrape_hits(text, self.site.site)
            fetched += 1
        return hits, fetched

    def expected_hits(self, key):
        words = key.casefold().split()
        return [(s["id"], s["title"]) for s in self.listing["songs"]
                if all(w in s["title"].casefold() or w in s["singer"].casefold() for w in words)]

    def test_search_u_gives_two_pages_of_20_and_the_rest(self):
        key = self.listing["search_keys"]["two_pages"]["key"]
        expected = self.expected_hits(key)
        self.assertGreater(len(expected), 20)
        reply = request(self.site.search, "/so.asp?key=u")
        self.assertIn("gb2312", reply.header("Content-Type"))
        self.assertIn(b"charset=gb2312", reply.body[:1000].lower())
        first = reply.body.decode("gbk")
        self.assertEqual(COUNT_MARKER.search(first).group(1), str(len(expected)))
        self.assertEqual(reader.hit_count(first), len(expected))
        self.assertEqual(reader.scrape_hits(first, self.site.site), expected[:20])
        second = self.search_page(key, 2)
        self.assertEqual(reader.hit_count(second), len(expected))
        self.assertEqual(reader.scrape_hits(second, self.site.site), expected[20:40])
        self.assertEqual(reader.page_count(first), 2)
        self.assertEqual(self.player_search(key), (expected, 2))

    def test_pages_beyond_the_last_have_no_hits_but_the_count(self):
        total = len(self.expected_hits("u"))
        for page in ("3", "1000", "99999999999999999999999999", "9" * 5000, "0" * 50 + "3"):
            text = reader.decode_auto(request(self.site.search, "/so.asp?page=%s&key=u" % page).body)
            self.assertEqual(reader.hit_count(text), total, page)
            self.assertEqual(reader.scrape_hits(text, self.site.site), [], page)
            self.assertIn("soBottom", text)
        # Page 0 and a missing page number mean the first page.
        for target in ("/so.asp?page=0&key=u", "/so.asp?key=u&page="):
            text = reader.decode_auto(request(self.site.search, target).body)
            self.assertEqual(len(reader.scrape_hits(text, self.site.site)), 20, target)

    def test_chinese_key_sent_as_gbk_matches_on_one_page(self):
        key = self.listing["search_keys"]["one_page"]["key"]
        target = "/so.asp?key=" + "".join("%%%02X" % b for b in key.encode("gbk"))
        text = reader.decode_auto(request(self.site.search, target).body)
        expected = self.expected_hits(key)
        self.assertEqual(len(expected), self.listing["search_keys"]["one_page"]["hits"])
        self.assertEqual(reader.scrape_hits(text, self.site.site), expected)
        self.assertEqual(self.player_search(key), (expected, 1))
        self.assertIn("与“%s”相关" % key, text)

    def test_letters_match_without_regard_to_case_and_all_words_must_match(self):
        self.assertEqual(self.player_search("U")[0], self.expected_hits("u"))
        self.assertEqual([n for _, n in self.player_search("BLUE")[0]], ["蓝色Blue", "海风Blues"])
        self.assertEqual([n for _, n in self.player_search("ufo")[0]], ["UFO降落"])
        self.assertEqual([n for _, n in self.player_search("何夏 blues")[0]], ["海风Blues"])
        self.assertEqual(self.player_search("何夏 陈默"), ([], 1))

    def test_plus_in_the_key_is_not_a_space(self):
        text = reader.decode_auto(request(self.site.search, "/so.asp?key=%BA%CE%CF%C4+blues").body)
        self.assertEqual(reader.hit_count(text), 0)

    def test_search_without_hits_is_well_formed(self):
        for target in ("/so.asp?key=" + encode_query("没有这首歌"), "/so.asp?key=", "/so.asp", "/so.asp?key=%20"):
            reply = request(self.site.search, target)
            self.assertEqual(reply.status, 200, target)
            text = reader.decode_auto(reply.body)
            self.assertEqual(COUNT_MARKER.search(text).group(1), "0", target)
            self.assertEqual(reader.page_count(text), 0)
            self.assertEqual(reader.scrape_hits(text, self.site.site), [])
            self.assertLess(text.index('class="songNum"'), text.index("soBottom"))

    def test_search_words_cannot_plant_page_markers(self):
        key = '找到相关结果共<font>99</font>个 class="songNum" soBottom href="http://%s/play/1.htm">x</a><a >y</a>' % self.site.site
        text = reader.decode_auto(request(self.site.search, "/so.asp?key=" + encode_query(key)).body)
        self.assertEqual(reader.hit_count(text), 0)
        self.assertEqual(reader.scrape_hits(text, self.site.site), [])

    def test_other_links_on_the_page_are_not_taken_for_hits(self):
        text = self.search_page("u")
        all_links = reader.HIT_PATTERN.findall(text)
        self.assertGreater(len(all_links), 20, "the page should carry more absolute links than hits")
        self.assertIn('href="//%s/geci/1001.htm"' % self.site.site, text)
        self.assertEqual(len(reader.scrape_hits(text, self.site.site)), 20)

    def test_bad_search_requests_get_an_error_page(self):
        for target in ("/so.asp?key=%ZZ", "/so.asp?key=%", "/so.asp?key=%FF%FF", "/so.asp?key=%B8",
                       "/so.asp?page=abc&key=u", "/so.asp?page=-1&key=u"):
            reply = request(self.site.search, target)
            self.assertEqual(reply.status, 400, target)
            self.assertIn("错误的请求", reply.body.decode("gbk"))

    def test_play_page_leads_to_the_audio_file(self):
        for song_id in ("1001", "1004", "1036"):
            song = self.songs[song_id]
            page = reader.decode_auto(request(self.site.site, "/play/%s.htm" % song_id).body)
            address = reader.resolve(page, self.site.media)
            self.assertTrue(address.startswith("http://%s/" % self.site.media))
            reply = request(self.site.media, address[len("http://" + self.site.media):])
            self.assertEqual(reply.status, 200)
            with open(os.path.join(demo_catalogue(), song["file"]), "rb") as f:
                data = f.read()
            self.assertEqual(int(reply.header("Content-Length")), len(data))
            self.assertEqual(reply.body, data)
            self.assertEqual(reply.header("Content-Type"), "audio/mpeg" if song["file"].endswith(".mp3") else "audio/wav")
            self.assertEqual(reply.header("Accept-Ranges"), "bytes")

    def test_unknown_play_page(self):
        for target in ("/play/999.htm", "/play/01001.htm", "/play/abc.htm", "/play/1001.html"):
            reply = request(self.site.site, target)
            self.assertEqual(reply.status, 404, target)
            text = reader.decode_auto(reply.body)
            self.assertIn("无法找到该页", text)
            with self.assertRaises(reader.ReadFailure):
                reader.resolve(text, self.site.media)

    def media_target(self, song_id):
        return "/music/" + self.songs[song_id]["file"]

    def test_ranges(self):
        target = self.media_target("1002")
        with open(os.path.join(demo_catalogue(), self.songs["1002"]["file"]), "rb") as f:
            data = f.read()
        size = len(data)
        for header, first, last in (("bytes=0-99", 0, 99), ("bytes=-100", size - 100, size - 1),
                                    ("bytes=%d-" % (size - 10), size - 10, size - 1), ("bytes=5-%d" % (size * 2), 5, size - 1)):
            reply = request(self.site.media, target, headers={"Range": header})
            self.assertEqual(reply.status, 206, header)
            self.assertEqual(reply.header("Content-Range"), "bytes %d-%d/%d" % (first, last, size))
            self.assertEqual(int(reply.header("Content-Length")), last - first + 1)
            self.assertEqual(reply.body, data[first : last + 1])
        for header in ("bytes=%d-" % size, "bytes=-0"):
            reply = request(self.site.media, target, headers={"Range": header})
            self.assertEqual(reply.status, 416, header)
            self.assertEqual(reply.header("Content-Range"), "bytes */%d" % size)
        for header in ("bytes=0-1,4-5", "bytes=9-3", "lines=1-2"):
            reply = request(self.site.media, target, headers={"Range": header})
            self.assertEqual((reply.status, reply.body), (200, data), header)

    def test_head_gives_the_headers_of_get_without_a_body(self):
        for host, target, headers in ((self.site.media, self.media_target("1003"), {}),
                                      (self.site.media, self.media_target("1003"), {"Range": "bytes=10-19"}),
                                      (self.site.site, "/play/1003.htm", {}), (self.site.site, "/geci/1003.htm", {}),
                                      (self.site.search, "/so.asp?key=u", {}), (self.site.site, "/nothing", {})):
            got, head = request(host, target, headers=headers), request(host, target, "HEAD", headers=headers)
            self.assertEqual(head.status, got.status, target)
            self.assertEqual(head.body, b"")
            self.assertEqual(int(head.header("Content-Length")), len(got.body), target)
            self.assertEqual(head.header("Content-Type"), got.header("Content-Type"))

    def test_lyrics_page_gives_the_lrc_lines(self):
        with_lyrics = [s for s in self.listing["songs"] if s["lrc"]]
        self.assertTrue(with_lyrics)
        for song in with_lyrics[:5]:
            with open(os.path.join(demo_catalogue(), song["lrc"]), encoding="utf-8") as f:
                expected = f.read().split()
            reply = request(self.site.site, "/geci/%s.htm" % song["id"])
            self.assertEqual(reply.status, 200)
            self.assertEqual(reader.lyrics(reply.body), expected, song["id"])
        # The player asks by the id's integer value.
        self.assertEqual(reader.lyrics(request(self.site.site, "/geci/0%s.htm" % with_lyrics[0]["id"]).body),
                         reader.lyrics(request(self.site.site, "/geci/%s.htm" % with_lyrics[0]["id"]).body))

    def test_lyrics_page_of_a_song_without_lyrics(self):
        song = next(s for s in self.listing["songs"] if not s["lrc"])
        reply = request(self.site.site, "/geci/%s.htm" % song["id"])
        self.assertEqual(reply.status, 200)
        self.assertIn("我要上传歌词", reply.body.decode("gbk"))
        self.assertEqual(reader.lyrics(reply.body), reader.NO_LYRICS)

    def test_lyrics_page_of_an_unknown_song(self):
        for target in ("/geci/999.htm", "/geci/-5.htm", "/geci/99999999999999999999.htm", "/geci/x.htm"):
            reply = request(self.site.site, target)
            self.assertEqual(reply.status, 404, target)
            self.assertEqual(reader.lyrics(reply.body), reader.UNKNOWN_SONG, target)
            self.assertNotIn("我要上传歌词", reply.body.decode("gbk"))

    def test_each_page_kind_lives_on_its_own_port(self):
        self.assertEqual(request(self.site.search, "/play/1001.htm").status, 404)
        self.assertEqual(request(self.site.site, "/so.asp?key=u").status, 404)
        self.assertEqual(request(self.site.media, "/play/1001.htm").status, 404)
        self.assertEqual(request(self.site.site, self.media_target("1001")).status, 404)

    def test_error_pages(self):
        for host in (self.site.site, self.site.search, self.site.media):
            reply = request(host, "/no/such/page.asp?x=1")
            self.assertEqual(reply.status, 404)
            self.assertIn("无法找到该页", reply.body.decode("gbk"))
            for method in ("POST", "PUT", "DELETE", "OPTIONS", "FOO"):
                reply = request(host, "/", method)
                self.assertEqual(reply.status, 405, method)
                self.assertEqual(reply.header("Allow"), "GET, HEAD")
                self.assertIn("不允许使用此方法", reply.body.decode("gbk"))

    def test_traversal_is_refused(self):
        for target in ("/music/../catalogue.json", "/music/audio/../catalogue.json", "/music/%2e%2e/catalogue.json",
                       "/music/..%2Fcatalogue.json", "/music/audio/..%5C..%5Ccatalogue.json", "/music//etc/passwd",
                       "/music/audio/1001.lrc", "/music/catalogue.json", "/music/audio/1001.mp3%00.lrc",
                       "/music/%ff%fe", "/../catalogue.json", "/music/./audio/1001.mp3"):
            reply = request(self.site.media, target)
            self.assertIn(reply.status, (400, 404), target)
            self.assertNotIn(b"frequency", reply.body)
            self.assertNotIn(b"[00:", reply.body)

    def test_hostile_raw_requests_do_not_hurt_the_server(self):
        for data in (b"GARBAGE\r\n\r\n", b"GET /so.asp?key=u HTTP/1.1 extra\r\n\r\n", b"\x00\xff\xfe\r\n\r\n",
                     b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\n\r\n", b"GET / HTTP/1.1\r\n" + b"X: y\r\n" * 200 + b"\r\n",
                     b"GET /so.asp?key=u HTTP/1.1\r\nHost: x\r\nContent-Length: abc\r\nConnection: close\r\n\r\n"):
            answer = raw_exchange(self.site.search, data)
            self.assertNotIn(b"Traceback", answer)
        self.assertEqual(request(self.site.search, "/so.asp?key=u").status, 200)

    def test_request_log_has_one_line_per_request(self):
        marker = "/so.asp?key=logcheck%B8%E8&page=1"
        request(self.site.search, marker)
        request(self.site.site, "/play/1001.htm?from=log")
        request(self.site.media, "/music/logcheck.mp3", "HEAD")
        request(self.site.site, "/logcheck", "POST")
        lines = self.site.log_lines()
        for line in lines:
            self.assertRegex(line, r"^\d+ \S+ \S+ \d{3}$")
        self.assertIn("%d GET %s 200" % (self.site.ports["search"], marker), lines)
        self.assertIn("%d GET /play/1001.htm?from=log 200" % self.site.ports["site"], lines)
        self.assertIn("%d HEAD /music/logcheck.mp3 404" % self.site.ports["media"], lines)
        self.assertIn("%d POST /logcheck 405" % self.site.ports["site"], lines)

    def test_request_log_lines_stay_single_lines(self):
        raw_exchange(self.site.site, b"GET /a\x01b\xff HTTP/1.0\r\n\r\n")
        raw_exchange(self.site.site, b"BROKEN\r\n\r\n")
        lines = self.site.log_lines()
        self.assertIn("%d GET /a%%01b%%FF 404" % self.site.ports["site"], lines)
        self.assertIn("%d - - 400" % self.site.ports["site"], lines)


class SmallSiteTest(unittest.TestCase):
    """A catalogue made here, with awkward file names, a GBK .lrc and chosen host names."""

    @classmethod
    def setUpClass(cls):
        root = scratch_dir("mulan-small-")
        write_tone(os.path.join(root, "歌 曲", "第一 首.wav"), 500)
        write_tone(os.path.join(root, "x", "b.wav"), 700)
        with open(os.path.join(root, "x", "b.lrc"), "wb") as f:
            f.write("[00:00.10]第一句\r\n[00:00.15]A-B 歌 词\r\n".encode("gbk"))
        songs = [{"id": "7", "title": "第一首", "singer": "甲", "file": "歌 曲/第一 首.wav", "lrc": None},
                 {"id": "2147483647", "title": "B&lt;", "singer": "乙", "file": "x/b.wav"}]
        with open(os.path.join(root, "catalogue.json"), "w", encoding="utf-8") as f:
            json.dump({"songs": songs}, f, ensure_ascii=False)
        cls.root = root
        cls.site = SiteProcess(root, "--media-host", "media.example:81", "--site-host", "127.0.0.1:1")

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def test_paths_with_spaces_and_chinese_survive_the_players_space_removal(self):
        page = reader.decode_auto(request(self.site.site, "/play/7.htm").body)
        address = reader.resolve(page, self.site.media)
        self.assertEqual(address, "http://%s/music/%%E6%%AD%%8C%%20%%E6%%9B%%B2/%%E7%%AC%%AC%%E4%%B8%%80%%20%%E9%%A6%%96.wav"
                         % self.site.media)
        reply = request(self.site.media, address[len("http://" + self.site.media):])
        with open(os.path.join(self.root, "歌 曲", "第一 首.wav"), "rb") as f:
            self.assertEqual(reply.body, f.read())

    def test_host_names_in_pages_come_from_the_options(self):
        page = reader.decode_auto(request(self.site.site, "/play/7.htm").body)
        self.assertIn('href="http://media.example:81/music/', page)
        text = reader.decode_auto(request(self.site.search, "/so.asp?key=%BC%D7").body)
        self.assertEqual(reader.scrape_hits(text, "127.0.0.1:1"), [("7", "第一首")])

    def test_gbk_lyrics_file_and_the_players_line_splitting(self):
        lines = reader.lyrics(request(self.site.site, "/geci/2147483647.htm").body)
        # The player removes spaces and splits at "-": the site passes the line on unchanged.
        self.assertEqual(lines, ["[00:00.10]第一句", "[00:00.15]A", "B歌词"])

    def test_explicitly_absent_lyrics(self):
        self.assertEqual(reader.lyrics(request(self.site.site, "/geci/7.htm").body), reader.NO_LYRICS)

    def test_titles_are_escaped_for_html(self):
        text = reader.decode_auto(request(self.site.search, "/so.asp?key=B").body)
        self.assertEqual(reader.scrape_hits(text, "127.0.0.1:1"), [("2147483647", "B&amp;lt;")])


class StartupTest(unittest.TestCase):
    def test_ready_file_is_written_once_listening_and_removed_on_exit(self):
        ready = os.path.join(scratch_dir("mulan-ready-"), "ready")
        site = SiteProcess(demo_catalogue(), "--ready-file", ready)
        try:
            with open(ready, encoding="utf-8") as f:
                line = f.read()
            self.assertEqual(line, "ready site=%s search=%s media=%s songs=36\n" % (site.site, site.search, site.media))
        finally:
            site.stop()
        self.assertEqual(site.process.returncode, 0)
        self.assertFalse(os.path.exists(ready))

    def test_bad_catalogue_fails_with_a_message(self):
        root = scratch_dir("mulan-bad-")
        with open(os.path.join(root, "catalogue.json"), "w") as f:
            f.write('{"songs": [{"id": "x"}]}')
        with self.assertRaises(RuntimeError) as caught:
            SiteProcess(root)
        self.assertIn("id must be decimal digits", str(caught.exception))

    def test_port_in_use_fails_with_a_message(self):
        site = SiteProcess(demo_catalogue())
        try:
            started = time.monotonic()
            with self.assertRaises(RuntimeError) as caught:
                SiteProcess(demo_catalogue(), "--search-port", str(site.ports["search"]))
            self.assertIn("cannot listen", str(caught.exception))
            self.assertLess(time.monotonic() - started, 10)
        finally:
            site.stop()


if __name__ == "__main__":
    unittest.main()
