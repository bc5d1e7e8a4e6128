import json
import os
import unittest

from mulansite import catalogue
from mulansite.catalogue import CatalogueError

from .support import scratch_dir, write_tone


def make_listing(songs, files=("a.wav",)):
    root = scratch_dir("mulan-cat-")
    for rel in files:
        write_tone(os.path.join(root, *rel.split("/")), 440, seconds=0.05)
    with open(os.path.join(root, "catalogue.json"), "w", encoding="utf-8") as f:
        json.dump({"songs": songs}, f, ensure_ascii=False)
    return root


def song(song_id="1", title="歌", singer="人", file="a.wav", **extra):
    return dict(id=song_id, title=title, singer=singer, file=file, **extra)


class ListingTest(unittest.TestCase):
    def test_reads_songs_and_keeps_extra_fields(self):
        root = make_listing([song("7", "Luna", "苏小暖 Su", frequency=300)])
        cat = catalogue.load(root)
        (only,) = cat.songs
        self.assertEqual((only.id, only.title, only.singer, only.file), ("7", "Luna", "苏小暖 Su", "a.wav"))
        self.assertEqual(only.extra, {"frequency": 300})
        self.assertEqual(only.content_type, "audio/wav")
        self.assertIs(cat.by_id("7"), only)
        self.assertIs(cat.by_number(7), only)
        self.assertIs(cat.by_file("a.wav"), only)
        self.assertIsNone(cat.by_id("07"))

    def test_ids_must_be_plain_decimal_numbers_within_32_bits(self):
        for bad in ("01", "1a", "", "-1", " 1", "2147483648", None, True, 1.5):
            with self.assertRaises(CatalogueError, msg=repr(bad)):
                catalogue.load(make_listing([song(bad)]))
        self.assertEqual(catalogue.load(make_listing([song(2147483647)])).songs[0].id, "2147483647")

    def test_duplicate_ids_are_refused(self):
        with self.assertRaises(CatalogueError):
            catalogue.load(make_listing([song("5"), song("5", "另一首")]))

    def test_paths_must_stay_inside_the_catalogue(self):
        for bad in ("../a.wav", "/etc/passwd", "x/../a.wav", "./a.wav", "x\\a.wav", "", "x//a.wav"):
            with self.assertRaises(CatalogueError, msg=bad):
                catalogue.load(make_listing([song(file=bad)]))

    def test_symlink_out_of_the_catalogue_is_refused(self):
        root = make_listing([song(file="link.wav")])
        outside = os.path.join(scratch_dir("mulan-out-"), "x.wav")
        write_tone(outside, 440, seconds=0.05)
        os.symlink(outside, os.path.join(root, "link.wav"))
        with self.assertRaises(CatalogueError):
            catalogue.load(root)

    def test_missing_files_are_refused(self):
        with self.assertRaises(CatalogueError):
            catalogue.load(make_listing([song(file="missing.wav")]))
        with self.assertRaises(CatalogueError):
            catalogue.load(make_listing([song(lrc="missing.lrc")]))

    def test_titles_must_be_one_non_empty_line(self):
        for title in ("", "  ", "a\nb"):
            with self.assertRaises(CatalogueError, msg=repr(title)):
                catalogue.load(make_listing([song(title=title)]))

    def test_lyrics_file_explicit_absent_or_beside_the_audio(self):
        root = make_listing([song("1", file="a.wav"), song("2", file="b.wav", lrc=None), song("3", file="c.wav", lrc="x.lrc")],
                            files=("a.wav", "b.wav", "c.wav"))
        for name in ("a.lrc", "b.lrc", "x.lrc"):
            with open(os.path.join(root, name), "w", encoding="utf-8") as f:
                f.write("[00:01.00]%s\n" % name)
        cat = catalogue.load(root)
        self.assertEqual(catalogue.read_lyrics(cat.by_id("1")), ["[00:01.00]a.lrc"])
        self.assertIsNone(catalogue.read_lyrics(cat.by_id("2")))
        self.assertEqual(catalogue.read_lyrics(cat.by_id("3")), ["[00:01.00]x.lrc"])

    def test_unreadable_json_is_refused(self):
        root = scratch_dir("mulan-cat-")
        with open(os.path.join(root, "catalogue.json"), "w") as f:
            f.write("{not json")
        with self.assertRaises(CatalogueError):
            catalogue.load(root)
        with open(os.path.join(root, "catalogue.json"), "w") as f:
            f.write("[]")
        with self.assertRaises(CatalogueError):
            catalogue.load(root)


class LyricsFileTest(unittest.TestCase):
    def lines_of(self, data):
        root = make_listing([song(lrc="a.lrc")])
        with open(os.path.join(root, "a.lrc"), "wb") as f:
            f.write(data)
        return catalogue.read_lyrics(catalogue.load(root).songs[0])

    def test_utf8_with_bom_and_crlf_blank_lines_dropped(self):
        data = "\ufeff[00:00.50]第一句\r\n\r\n  [00:01.50]第二句  \r\n".encode("utf-8")
        self.assertEqual(self.lines_of(data), ["[00:00.50]第一句", "[00:01.50]第二句"])

    def test_gbk_files_are_read_too(self):
        self.assertEqual(self.lines_of("[00:00.50]月亮\n".encode("gbk")), ["[00:00.50]月亮"])

    def test_empty_or_oversized_files_have_no_lyrics(self):
        self.assertIsNone(self.lines_of(b"\n \n"))
        self.assertIsNone(self.lines_of(b"[00:00.50]x\n" * 200000))


class FolderTest(unittest.TestCase):
    def test_missing_folder_is_refused(self):
        with self.assertRaises(CatalogueError):
            catalogue.load(os.path.join(scratch_dir("mulan-none-"), "nothing"))


class SearchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        songs = [song("1", "Luna", "苏小暖 Su"), song("2", "蓝色Blue", "陈默"), song("3", "UFO降落", "唐糖"),
                 song("4", "夏夜晚风", "何夏"), song("5", "海风Blues", "何夏")]
        cls.cat = catalogue.load(make_listing(songs))

    def ids(self, key):
        return [s.id for s in self.cat.search(key)]

    def test_every_word_must_be_in_title_or_singer(self):
        self.assertEqual(self.ids("何夏"), ["4", "5"])
        self.assertEqual(self.ids("何夏 blues"), ["5"])
        self.assertEqual(self.ids("何夏\u3000风"), ["4", "5"])
        self.assertEqual(self.ids("何夏 陈默"), [])

    def test_letters_match_without_regard_to_case(self):
        self.assertEqual(self.ids("u"), ["1", "2", "3", "5"])
        self.assertEqual(self.ids("U"), self.ids("u"))
        self.assertEqual(self.ids("bLuE"), ["2", "5"])

    def test_no_words_no_hits(self):
        self.assertEqual(self.ids(""), [])
        self.assertEqual(self.ids("  \t"), [])

    def test_pages_of_twenty(self):
        self.assertEqual([catalogue.page_count(n) for n in (0, 1, 20, 21, 40, 41)], [0, 1, 1, 2, 2, 3])


if __name__ == "__main__":
    unittest.main()
