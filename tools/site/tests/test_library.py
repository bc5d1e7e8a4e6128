import os
import re
import shutil
import socket
import subprocess
import sys
import unittest

import make_test_library as maker
from mulansite import tags
from mulansite.index import Index
from mulansite.library import Library
from mulansite.query import encode_query
from mulansite.scan import Scanner

from . import player_reader as reader
from .support import SERVER, SiteProcess, request, scratch_dir, write_tone

_made = None


def test_library():
    """A library of every tag format, made once per run; copied by tests that change it."""
    global _made
    if _made is None:
        _made = os.path.join(scratch_dir("mulan-lib-"), "music")
        maker.make(_made)
    return _made


def copy_of_test_library():
    root = os.path.join(scratch_dir("mulan-lib-copy-"), "music")
    shutil.copytree(test_library(), root)
    return root


class LibrarySiteTest(unittest.TestCase):
    """The site over a tagged library, read the way the player reads it."""

    @classmethod
    def setUpClass(cls):
        cls.root = copy_of_test_library()
        cls.outside = os.path.join(scratch_dir("mulan-outside-"), "secret.mp3")
        shutil.copy(os.path.join(cls.root, "mp3", "后来.mp3"), cls.outside)
        os.symlink(cls.outside, os.path.join(cls.root, "link-out.mp3"))
        cls.site = SiteProcess(cls.root)
        cls.ids = {}
        for relative, (title, *_) in maker.SONGS.items():
            hits = cls.hits(cls, title)
            cls.ids[relative] = hits[0][0] if len(hits) == 1 else None

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def hits(self, key, page=None):
        target = "/so.asp?key=" + encode_query(key) if page is None else "/so.asp?page=%d&key=%s" % (page, encode_query(key))
        return reader.scrape_hits(reader.decode_auto(request(self.site.search, target).body), self.site.site)

    def test_every_format_gives_title_singer_and_lyrics(self):
        self.assertNotIn(None, self.ids.values(), self.ids)
        for relative, (title, singer, album, _, first_line) in maker.SONGS.items():
            song_id = self.ids[relative]
            play = reader.decode_auto(request(self.site.site, "/play/%s.htm" % song_id).body)
            address = reader.resolve(play, self.site.media)
            reply = request(self.site.media, address[len("http://" + self.site.media) :])
            with open(os.path.join(self.root, *relative.split("/")), "rb") as f:
                self.assertEqual(reply.body, f.read(), relative)
            self.assertIn(singer.replace(" ", ""), play.replace(" ", ""), relative)
            if album:
                self.assertIn("专辑：" + album, play)
            lines = reader.lyrics(request(self.site.site, "/geci/%s.htm" % song_id).body)
            if first_line is None:
                self.assertEqual(lines, reader.NO_LYRICS, relative)
            else:
                self.assertEqual(lines[0], first_line, relative)
        self.assertEqual(len(set(self.ids.values())), len(maker.SONGS))

    def test_corrupt_files_and_links_out_are_logged_and_left_out(self):
        errors = self.site.errors()
        self.assertRegex(errors, r"skipped mp3/broken\.mp3: .*sync")
        self.assertIn("skipped link-out.mp3: symbolic link leads out of the library", errors)
        self.assertIn("indexed %d songs" % len(maker.SONGS), errors)
        self.assertEqual(self.hits("secret"), [])
        for target in ("/music/link-out.mp3", "/music/mp3/broken.mp3", "/music/.mulan-site.db", "/music/mp3/legacy.lrc",
                       "/music/%2e%2e/secret.mp3", "/music/mp3%2F..%2F..%2Fsecret.mp3", "/music/../mp3/legacy.mp3"):
            reply = request(self.site.media, target)
            self.assertIn(reply.status, (400, 404), target)

    def test_search_by_substring_words_and_singer_in_order(self):
        self.assertEqual(self.hits("的我"), [(self.ids["mp3/后来.mp3"], "后来的我们")])  # two characters
        self.assertEqual(self.hits("夜空中"), [(self.ids["m4a/star.m4a"], "夜空中的星")])  # trigram
        self.assertEqual(self.hits("何夏"), [(self.ids["flac/wind.flac"], "海风Blues"), (self.ids["ogg/rain.ogg"], "雨夜")])
        self.assertEqual([n for _, n in self.hits("BLUE")], ["海风Blues", "蓝色Blue"])
        self.assertEqual([n for _, n in self.hits("何夏 blues")], ["海风Blues"])
        self.assertEqual([n for _, n in self.hits("star night")], ["夜空中的星"])  # singer and album words
        self.assertEqual(self.hits("何夏 陈默"), [])
        self.assertEqual(self.hits("  "), [])

    def test_ranges_head_and_content_types(self):
        path = os.path.join(self.root, "flac", "wind.flac")
        with open(path, "rb") as f:
            data = f.read()
        target, size = "/music/flac/wind.flac", len(data)
        reply = request(self.site.media, target, headers={"Range": "bytes=100-199"})
        self.assertEqual((reply.status, reply.body), (206, data[100:200]))
        self.assertEqual(reply.header("Content-Range"), "bytes 100-199/%d" % size)
        self.assertEqual(request(self.site.media, target, headers={"Range": "bytes=%d-" % size}).status, 416)
        head = request(self.site.media, target, "HEAD")
        self.assertEqual((head.status, head.body, int(head.header("Content-Length"))), (200, b"", size))
        for relative, expected in (("flac/wind.flac", "audio/flac"), ("m4a/star.m4a", "audio/mp4"),
                                   ("wma/moon.wma", "audio/x-ms-wma"), ("ogg/rain.ogg", "audio/ogg")):
            self.assertEqual(request(self.site.media, "/music/" + relative, "HEAD").header("Content-Type"), expected)


    def test_a_stalled_client_does_not_hold_up_the_others(self):
        name, port = self.site.media.rsplit(":", 1)
        with socket.create_connection((name, int(port)), timeout=10) as stalled:
            stalled.sendall(b"GET /music/flac/wind.flac HTTP/1.1\r\nHost: x\r\n\r\n")
            stalled.recv(100)  # the reply has begun; the connection stays open and is read no further
            self.assertEqual(self.hits("雨夜"), [(self.ids["ogg/rain.ogg"], "雨夜")])
            self.assertEqual(request(self.site.media, "/music/ogg/rain.ogg", "HEAD").status, 200)


class RescanTest(unittest.TestCase):
    def ids_by_title(self, site):
        text = reader.decode_auto(request(site.site, "/").body)
        return dict((title, song_id) for song_id, title in
                    re.findall(r'/play/(\d+)\.htm">([^<]*)</a>', text))

    def test_ids_stay_over_restarts_and_rescans(self):
        root = copy_of_test_library()
        db = os.path.join(scratch_dir("mulan-db-"), "index.db")
        site = SiteProcess(root, "--db", db)
        first = self.ids_by_title(site)
        site.stop()
        self.assertEqual(len(first), len(maker.SONGS))
        self.assertFalse(os.path.exists(os.path.join(root, ".mulan-site.db")))
        # A new file sorting first, a removed one, a retagged one.
        write_tone(os.path.join(root, "aaa", "新歌手 - 新歌.wav"), 1000, seconds=0.1)
        os.remove(os.path.join(root, "ogg", "rain.ogg"))
        retagged = tags.mutagen.File(os.path.join(root, "flac", "wind.flac"))
        retagged["title"] = "海风Blues2"
        retagged.save()
        site = SiteProcess(root, "--db", db)
        second = self.ids_by_title(site)
        errors = site.errors()
        site.stop()
        self.assertIn("(1 new, 1 changed, 1 removed, 1 unreadable)", errors)
        self.assertEqual(second["海风Blues2"], first["海风Blues"])
        self.assertNotIn("雨夜", second)
        unchanged = [t for t in first if t not in ("雨夜", "海风Blues")]
        self.assertEqual({t: second[t] for t in unchanged}, {t: first[t] for t in unchanged})
        self.assertGreater(int(second["新歌"]), max(int(i) for i in first.values()))
        # The removed file's id is never handed out again.
        self.assertNotIn(first["雨夜"], second.values())

    def test_bad_folder_or_database_exits_with_status_2(self):
        bad_db = os.path.join(scratch_dir("mulan-baddb-"), "x.db")
        with open(bad_db, "wb") as f:
            f.write(b"this is not a database" * 100)
        for args in (["--catalogue", os.path.join(scratch_dir("mulan-none-"), "missing")],
                     ["--catalogue", test_library(), "--db", bad_db],
                     ["--catalogue", test_library(), "--db", os.path.join(bad_db, "sub", "x.db")]):
            result = subprocess.run([sys.executable, SERVER, *args, "--site-port", "0", "--search-port", "0",
                                     "--media-port", "0"], capture_output=True, text=True, timeout=30)
            self.assertEqual(result.returncode, 2, args)
            self.assertRegex(result.stderr, r"^mulan-site: (music folder not found|cannot open database)", args)


class IndexTest(unittest.TestCase):
    """The scan and the index in-process, with a stand-in tag reader."""

    def make_files(self, names):
        root = os.path.realpath(scratch_dir("mulan-scan-"))
        for name in names:
            path = os.path.join(root, *name.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"x")
        return root

    def test_first_scan_gives_ids_in_path_order_and_the_file_name_rule(self):
        root = self.make_files(["b/柳如云 - 后来.mp3", "a.wav", "b/notes.txt", "c/Luna.WAV", ".hidden/x.mp3"])
        index = Index(os.path.join(root, ".mulan-site.db"))
        Scanner(index, root, lambda path, relative: tags.from_name(relative), lambda line: None).run()
        library = Library(root, index)
        listed = [(s.id, s.title, s.singer, s.file) for s in (library.by_number(n) for n in (1, 2, 3))]
        self.assertEqual(listed, [("1", "a", "", "a.wav"), ("2", "后来", "柳如云", "b/柳如云 - 后来.mp3"),
                                  ("3", "Luna", "", "c/Luna.WAV")])
        self.assertIsNone(library.by_number(4))
        self.assertEqual(library.by_id("2").media_path, "/music/b/%E6%9F%B3%E5%A6%82%E4%BA%91%20-%20%E5%90%8E%E6%9D%A5.mp3")
        self.assertIsNone(library.by_id("02"))
        index.close()

    def test_pages_of_twenty_with_the_real_count_while_the_scan_still_runs(self):
        names = ["%03d.mp3" % n for n in range(450)]
        root = self.make_files(names)
        index = Index(os.path.join(root, ".mulan-site.db"))
        library = Library(root, index)
        seen_during_scan = []

        def read(path, relative):
            if relative == "440.mp3":
                seen_during_scan.append(library.search_page("song", 1)[0])
            return tags.Tags("Song%s" % relative[:3], "歌手%d" % (int(relative[:3]) % 2))

        summary = Scanner(index, root, read, lambda line: None).run()
        self.assertEqual((summary.new, summary.songs), (450, 450))
        self.assertTrue(seen_during_scan and 200 <= seen_during_scan[0] < 450, seen_during_scan)
        total, page = library.search_page("SONG 歌手1", 12)
        self.assertEqual((total, len(page)), (225, 5))
        self.assertEqual([s.title for s in page][:2], ["Song441", "Song443"])
        total, page = library.search_page("歌手", 1)
        self.assertEqual([s.singer for s in page], ["歌手0"] * 20)
        self.assertEqual(library.search_page("song", 24), (450, []))
        index.close()


class LyricsConversionTest(unittest.TestCase):
    def test_untimed_lines_are_spread_over_the_song_and_timed_lines_kept(self):
        from mulansite import lyrics

        self.assertEqual(lyrics.from_text("一\n\n二\r\n三\n四", 200.0),
                         ["[00:00.00]一", "[00:50.00]二", "[01:40.00]三", "[02:30.00]四"])
        self.assertEqual(lyrics.from_text(" [01:02.5]甲\n乙", None), ["[01:02.5]甲", "乙"])
        self.assertEqual(lyrics.from_timed([("\n后", 61.5), ("先", 0.25)]), ["[00:00.25]先", "[01:01.50]后"])
        self.assertIsNone(lyrics.from_text("  \n", 10))


if __name__ == "__main__":
    unittest.main()
