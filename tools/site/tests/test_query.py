import unittest

from mulansite.query import BadQuery, decode_gbk_value, encode_query, parse_query, percent_decode


class EncodeQueryTest(unittest.TestCase):
    def test_matches_the_players_encoding(self):
        self.assertEqual(encode_query("Hi 歌 9"), "Hi%20%B8%E8%209")
        self.assertEqual(encode_query(""), "")
        self.assertEqual(encode_query("AZaz09-,./"), "AZaz09-,./")
        self.assertEqual(encode_query("_~&=+%"), "%5F%7E%26%3D%2B%25")
        self.assertEqual(encode_query("\t\n"), "%9%A")
        self.assertEqual(encode_query("柳如云"), "%C1%F8%C8%E7%D4%C6")

    def test_characters_outside_gbk_become_question_marks(self):
        self.assertEqual(encode_query("\u0e01"), "%3F")  # Thai, not in GBK
        self.assertEqual(encode_query("\U0001F3B5"), "%3F%3F")  # two UTF-16 units for the player


class DecodeTest(unittest.TestCase):
    def test_reads_gbk_percent_escapes_and_plain_characters(self):
        self.assertEqual(decode_gbk_value("Hi%20%B8%E8%209"), "Hi 歌 9")
        self.assertEqual(decode_gbk_value("%c1%f8%C8%E7%d4%c6"), "柳如云")
        self.assertEqual(decode_gbk_value("u"), "u")
        self.assertEqual(decode_gbk_value(""), "")

    def test_plus_is_a_plus_sign(self):
        self.assertEqual(decode_gbk_value("a+b"), "a+b")
        self.assertEqual(decode_gbk_value("a%2Bb"), "a+b")

    def test_single_digit_escapes_of_control_characters(self):
        self.assertEqual(percent_decode("a%9"), b"a\t")
        self.assertEqual(percent_decode("%9x%A"), b"\tx\n")

    def test_round_trip_of_player_encoded_text(self):
        for text in ("刘若英 Liu", "Luna", "a_b~c&d=e", "月亮代表我的心", "x%y", "-,./"):
            self.assertEqual(decode_gbk_value(encode_query(text)), text)

    def test_malformed_escapes_are_refused(self):
        for raw in ("%", "abc%", "%G1", "%%", "%-1", "\u4e00"):
            with self.assertRaises(BadQuery, msg=raw):
                decode_gbk_value(raw)

    def test_bytes_that_are_not_gbk_are_refused(self):
        for raw in ("%FF%FF", "%B8", "%81%20"):
            with self.assertRaises(BadQuery, msg=raw):
                decode_gbk_value(raw)


class ParseQueryTest(unittest.TestCase):
    def test_splits_fields_and_keeps_values_raw(self):
        self.assertEqual(parse_query("page=2&key=%B8%E8"), {"page": "2", "key": "%B8%E8"})
        self.assertEqual(parse_query(""), {})
        self.assertEqual(parse_query("key"), {"key": ""})
        self.assertEqual(parse_query("key=a=b&&x="), {"key": "a=b", "": "", "x": ""})

    def test_first_occurrence_wins(self):
        self.assertEqual(parse_query("key=u&key=v")["key"], "u")


if __name__ == "__main__":
    unittest.main()
