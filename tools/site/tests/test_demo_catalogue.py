import math
import os
import re
import struct
import subprocess
import sys
import unittest
import wave

from mulansite import catalogue

from .support import GENERATOR, demo_catalogue, demo_listing, scratch_dir

LRC_LINE = re.compile(r"\[(\d\d):(\d\d)\.(\d\d)\](\S+)")


def samples_of(path):
    """Mono samples and rate of a WAV file, or of an MP3 decoded by lame."""
    if path.endswith(".mp3"):
        decoded = os.path.join(scratch_dir("mulan-decode-"), "out.wav")
        subprocess.run(["lame", "--decode", "--quiet", path, decoded], check=True)
        path = decoded
    with wave.open(path, "rb") as w:
        rate, channels, count = w.getframerate(), w.getnchannels(), w.getnframes()
        frames = w.readframes(count)
    values = struct.unpack("<%dh" % (len(frames) // 2), frames)
    return values[::channels], rate


def power_at(samples, rate, frequency):
    """Goertzel power of one frequency."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2


class DemoCatalogueTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = demo_catalogue()
        cls.listing = demo_listing()
        cls.songs = cls.listing["songs"]

    def test_songs_are_many_distinct_and_served_by_the_site(self):
        self.assertGreaterEqual(len(self.songs), 30)
        loaded = catalogue.load(self.root)
        self.assertEqual([s.id for s in loaded.songs], [s["id"] for s in self.songs])
        self.assertEqual(len({s["id"] for s in self.songs}), len(self.songs))
        for song in self.songs:
            self.assertRegex(song["title"], r"^\S+$", "titles must survive the scraper whole")
            self.assertTrue(re.search(r"[\u4e00-\u9fff]", song["title"] + song["singer"]), song["title"])
        frequencies = sorted(s["frequency"] for s in self.songs)
        self.assertTrue(all(b - a >= 40 for a, b in zip(frequencies, frequencies[1:])))
        self.assertEqual({s["file"].rsplit(".", 1)[1] for s in self.songs}, {"mp3", "wav"})

    def test_documented_search_keys(self):
        loaded = catalogue.load(self.root)
        keys = self.listing["search_keys"]
        two, one = keys["two_pages"], keys["one_page"]
        self.assertEqual(two["key"], "u")
        for entry in (two, one):
            hits = len(loaded.search(entry["key"]))
            self.assertEqual(hits, entry["hits"], entry["key"])
            self.assertEqual(catalogue.page_count(hits), entry["pages"])
            # The player works out the number of pages by rounding hits / 20; it must see them all.
            self.assertEqual(max(1, round(hits / 20)), entry["pages"])
        self.assertGreater(two["hits"], 20)
        self.assertLessEqual(one["hits"], 20)

    def test_lyrics_for_most_songs_timed_within_the_song(self):
        with_lyrics = [s for s in self.songs if s["lrc"]]
        self.assertGreater(len(with_lyrics), len(self.songs) // 2)
        self.assertGreaterEqual(len(self.songs) - len(with_lyrics), 2)
        for song in with_lyrics:
            with open(os.path.join(self.root, song["lrc"]), encoding="utf-8") as f:
                lines = f.read().splitlines()
            self.assertGreaterEqual(len(lines), 2)
            for line in lines:
                match = LRC_LINE.fullmatch(line)
                self.assertIsNotNone(match, line)
                seconds = int(match.group(1)) * 60 + int(match.group(2)) + int(match.group(3)) / 100
                self.assertLess(seconds, song["duration"])
                self.assertNotIn("-", match.group(4))
        for song in self.songs:
            if not song["lrc"]:
                self.assertFalse(os.path.exists(os.path.join(self.root, song["file"].rsplit(".", 1)[0] + ".lrc")))

    def test_each_song_is_identified_by_its_dominant_frequency(self):
        frequencies = [s["frequency"] for s in self.songs]
        picked = [s for s in self.songs if s["file"].endswith(".wav")][:2] + [s for s in self.songs if s["file"].endswith(".mp3")][-2:]
        for song in picked:
            samples, rate = samples_of(os.path.join(self.root, song["file"]))
            self.assertAlmostEqual(len(samples) / rate, song["duration"], delta=0.1)
            self.assertTrue(3 <= song["duration"] <= 8)
            middle = len(samples) // 2
            window = samples[middle : middle + 4096]
            powers = {f: power_at(window, rate, f) for f in frequencies}
            self.assertEqual(max(powers, key=powers.get), song["frequency"], song["file"])

    def test_second_run_only_checks_and_a_missing_file_is_made_again(self):
        victim = os.path.join(self.root, self.songs[0]["file"])
        before = {name: os.stat(os.path.join(self.root, "audio", name)).st_mtime_ns
                  for name in os.listdir(os.path.join(self.root, "audio"))}
        result = subprocess.run([sys.executable, GENERATOR, self.root], capture_output=True, text=True, check=True)
        self.assertIn("up to date", result.stdout)
        after = {name: os.stat(os.path.join(self.root, "audio", name)).st_mtime_ns
                 for name in os.listdir(os.path.join(self.root, "audio"))}
        self.assertEqual(after, before)
        size = os.path.getsize(victim)
        os.remove(victim)
        result = subprocess.run([sys.executable, GENERATOR, self.root], capture_output=True, text=True, check=True)
        self.assertIn("written", result.stdout)
        self.assertEqual(os.path.getsize(victim), size)

    def test_usage_error(self):
        result = subprocess.run([sys.executable, GENERATOR], capture_output=True, text=True)
        self.assertEqual(result.returncode, 2)
        self.assertIn("usage", result.stderr)


if __name__ == "__main__":
    unittest.main()
