import unittest

from mulansite.media import BadPath, Unsatisfiable, parse_range, relative_file


class RangeTest(unittest.TestCase):
    def test_single_ranges(self):
        self.assertEqual(parse_range("bytes=0-99", 1000), (0, 99))
        self.assertEqual(parse_range("bytes=900-", 1000), (900, 999))
        self.assertEqual(parse_range("bytes=900-5000", 1000), (900, 999))
        self.assertEqual(parse_range("bytes=-100", 1000), (900, 999))
        self.assertEqual(parse_range("bytes=-5000", 1000), (0, 999))
        self.assertEqual(parse_range(" bytes = 1 - 1 ", 1000), (1, 1))

    def test_headers_to_ignore(self):
        for header in (None, "bytes=5-2", "bytes=0-1,5-6", "items=0-1", "bytes=", "bytes=-", "bytes=a-b", "0-1"):
            self.assertIsNone(parse_range(header, 1000), header)

    def test_unsatisfiable(self):
        for header, size in (("bytes=1000-", 1000), ("bytes=1000-2000", 1000), ("bytes=-0", 1000),
                             ("bytes=0-", 0), ("bytes=-5", 0)):
            with self.assertRaises(Unsatisfiable, msg=header):
                parse_range(header, size)


class MediaPathTest(unittest.TestCase):
    def test_plain_and_encoded_names(self):
        self.assertEqual(relative_file("audio/1001.mp3"), "audio/1001.mp3")
        self.assertEqual(relative_file("a/%E6%9F%B3%20b.wav"), "a/柳 b.wav")
        # The request line is read as Latin-1; raw UTF-8 bytes must come out as the same name.
        self.assertEqual(relative_file("a/\u00e6\u009f\u00b3.wav"), "a/柳.wav")

    def test_escapes_from_the_folder_are_refused(self):
        for raw in ("../catalogue.json", "audio/../../etc/passwd", "%2e%2e/x", "%2E%2E%2Fx", "..%2fx", "a/./b",
                    "/etc/passwd", "a//b", "a%5C..%5Cb", "a\\b", "a%00.mp3", "a%0d%0a.mp3", "%FF.mp3", "", "a/"):
            with self.assertRaises(BadPath, msg=raw):
                relative_file(raw)


if __name__ == "__main__":
    unittest.main()
