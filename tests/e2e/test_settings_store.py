"""The settings store end to end: texts stored in the real registry, as the settings dialog
shows them after it opens (TxtNum's text is the point count, Hspeed's position the interval).
Reading never writes: every stored text is still there, unchanged, afterwards."""

import unittest

from harness import SaverTestCase

DEFAULTS = ("30", 500)

# (stored text, point count shown) with no "speed" stored.
POINT_COUNTS = (
    ("50", "50"),
    ("  25 ", "25"),
    ("50abc", "50"),
    ("abc", "30"),
    ("", "30"),
    ("0", "30"),
    ("9", "30"),
    ("201", "30"),
    ("-5", "30"),
    ("99999", "30"),
    ("9.5", "10"),
    ("10.4", "10"),
    ("200.5", "200"),
    ("200.6", "30"),
)

# (stored text, interval shown) with no "NumberofPoint" stored.
SPEEDS = (
    ("100", 100),
    ("2000", 2000),
    ("99", 500),
    ("2001", 500),
    ("50", 500),
    ("1500.5", 1500),
)


class StoredTexts(SaverTestCase):
    def assert_read_only(self, stored):
        for name, text in stored.items():
            self.assertEqual(self.driver.reg_get(name), {"type": "REG_SZ", "value": text,
                                                         "length": len(text)})

    def assert_dialog_shows(self, stored, expected):
        self.reset_settings()
        self.store(**stored)
        self.assertEqual(self.dialog_values(), expected)
        self.assert_read_only(stored)

    def test_point_count_texts(self):
        for text, shown in POINT_COUNTS:
            with self.subTest(NumberofPoint=text):
                self.assert_dialog_shows({"NumberofPoint": text}, (shown, DEFAULTS[1]))

    def test_speed_texts(self):
        for text, shown in SPEEDS:
            with self.subTest(speed=text):
                self.assert_dialog_shows({"speed": text}, (DEFAULTS[0], shown))

    def test_both_stored(self):
        self.assert_dialog_shows({"NumberofPoint": "50", "speed": "300"}, ("50", 300))


class NothingUsable(SaverTestCase):
    """Whatever is wrong with the store, the dialog opens with the defaults."""

    def assert_defaults_without_writing(self):
        before = {name: self.driver.reg_get(name) for name in ("NumberofPoint", "speed")}
        self.assertEqual(self.dialog_values(), DEFAULTS)
        after = {name: self.driver.reg_get(name) for name in ("NumberofPoint", "speed")}
        self.assertEqual(after, before, "reading the settings changed the store")

    def test_missing_key(self):
        self.reset_settings()
        self.assertTrue(self.driver.reg_get("NumberofPoint").get("key_missing"))
        self.assert_defaults_without_writing()

    def test_key_without_values(self):
        self.store(NumberofPoint="50")
        self.driver.reg_delete_value("NumberofPoint")
        self.assertEqual(self.driver.reg_get("NumberofPoint"), {"missing": True})
        self.assert_defaults_without_writing()

    def test_values_of_another_type(self):
        self.driver.reg_set_dword("NumberofPoint", 50)
        self.driver.reg_set_dword("speed", 300)
        self.assert_defaults_without_writing()

    def test_one_megabyte_texts(self):
        for char in ("9", " "):
            with self.subTest(char=char):
                self.reset_settings()
                for name in ("NumberofPoint", "speed"):
                    self.driver.reg_set_long(name, char, 1 << 20)
                self.assert_defaults_without_writing()


if __name__ == "__main__":
    unittest.main()
