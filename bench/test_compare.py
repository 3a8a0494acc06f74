"""What bench/compare reads from the programs it runs and how it judges a row."""

import importlib.machinery
import importlib.util
import json
import os
import subprocess
import sys
import unittest

sys.dont_write_bytecode = True  # the script has no .py name; keep the source tree clean

_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "compare")
_loader = importlib.machinery.SourceFileLoader("compare", _path)
compare = importlib.util.module_from_spec(importlib.util.spec_from_loader("compare", _loader))
_loader.exec_module(compare)


def report(*rows):
    return json.dumps({"context": {}, "benchmarks": [dict(r) for r in rows]})


class BenchmarkTimes(unittest.TestCase):
    def test_rows(self):
        text = report(
            {"name": "A_mean", "run_name": "A", "aggregate_name": "mean", "real_time": 9, "cpu_time": 8,
             "time_unit": "ms"},
            {"name": "A_median", "run_name": "A", "aggregate_name": "median", "real_time": 2, "cpu_time": 1,
             "time_unit": "ms"},
            {"name": "B/real_time", "real_time": 1500.0, "cpu_time": 500.0, "time_unit": "us"},
            {"name": "C", "real_time": 3e6, "cpu_time": 2e6, "time_unit": "ns"},
            {"name": "D", "error_occurred": True, "real_time": 1.0, "cpu_time": 1.0, "time_unit": "ms"},
            # Repetitions kept beside their aggregates: the best one counts, failed ones do not.
            {"name": "E", "run_name": "E", "real_time": 5, "cpu_time": 6, "time_unit": "ms"},
            {"name": "E", "run_name": "E", "real_time": 3, "cpu_time": 7, "time_unit": "ms"},
            {"name": "E", "run_name": "E", "error_occurred": True, "real_time": 1, "cpu_time": 1, "time_unit": "ms"},
            {"name": "E_median", "run_name": "E", "aggregate_name": "median", "real_time": 5, "cpu_time": 7,
             "time_unit": "ms"},
        )
        for clock, want in [("real_time", {"A": 2.0, "B": 1.5, "C": 3.0, "E": 3.0}),
                            ("cpu_time", {"A": 1.0, "B": 0.5, "C": 2.0, "E": 6.0})]:
            self.assertEqual(compare.benchmark_times(text, clock), want, clock)


class BenchmarkLabels(unittest.TestCase):
    def test_labels(self):
        text = report(
            {"name": "A_median", "run_name": "A", "aggregate_name": "median", "label": "AVX3", "cpu_time": 1},
            {"name": "B/real_time", "label": "AVX2", "cpu_time": 1},
            {"name": "C", "cpu_time": 1},
        )
        self.assertEqual(compare.benchmark_labels(text), {"A": "AVX3", "B": "AVX2"})


class KernelTargets(unittest.TestCase):
    def test_rows(self):
        kernel = {"BM_TrafficFloor": 2.0, "BM_IdentityFloat/display:7": 4.0,
                  "BM_IdentityFloat/display:7/2160p": 20.0, "BM_RotatedKeystonedAutoArgb8": 7.0,
                  "BM_RotatedKeystonedAutoFloat": 9.0}
        opencv = {"BM_WarpPerspectiveTwoEyes/Argb8": 10.0, "BM_WarpPerspectiveTwoEyes/Bgra32f": 20.0}
        labels = {"BM_RotatedKeystonedAutoArgb8": "AVX3"}
        rows = {r.case: r for r in compare.kernel_rows(kernel, {}, opencv, {}, labels)}
        want = {  # case: (ratio, target, met)
            "float identity anaglyph vs its traffic floor, 1080p": (2.0, "≤ 2.5", "met"),
            "float identity anaglyph vs its traffic floor, 2160p": (None, "—", "—"),
            "8-bit rotated 3° + keystoned, auto crop+scale, 1080p [AVX3]": (0.7, "≤ 0.6", "not met"),
            "float rotated 3° + keystoned, auto crop+scale, 1080p": (0.45, "≤ 0.5", "met"),
        }
        for case, (ratio, target, met) in want.items():
            r = rows[case]
            self.assertEqual(None if r.ratio is None else round(r.ratio, 6), ratio, case)
            self.assertEqual(r.target[0] if r.target else "—", target, case)
            self.assertEqual(r.met(), met, case)

    def test_default_against_fastest_forced(self):
        kernel = {"A": 1.05, "A/target:avx2": 1.5, "A/target:avx512": 1.0,
                  "B/2160p": 1.3, "B/2160p/target:sse4": 1.0,
                  "C/target:avx2": 1.0,  # no default row: no comparison
                  "BM_TrafficFloor": 2.0}
        rows = compare.dispatch_rows(kernel, {"A": "AVX3"})
        self.assertEqual([(r.case, round(r.ratio, 6), r.met()) for r in rows], [
            ("default [AVX3] vs fastest forced (avx512), A", 1.05, "met"),
            ("default vs fastest forced (sse4), B/2160p", 1.3, "not met"),
        ])


class FfmpegCpuSeconds(unittest.TestCase):
    def test_lines(self):
        for text, want in [
            ("frame=  50\nbench: utime=0.302s stime=0.222s rtime=4.033s\nbench: maxrss=1kB", 0.524),
            ("bench: maxrss=107816kB", None),
        ]:
            got = compare.ffmpeg_cpu_seconds(text)
            self.assertEqual(None if got is None else round(got, 6), want, text)


class ThreadRows(unittest.TestCase):
    def test_speed_ups_and_targets(self):
        cores = os.cpu_count() or 1
        if cores < 2:
            self.skipTest("one core: no thread count to compare")
        times = {
            "BM_Render/width:1920/height:1080/threads:1": 10.0,
            f"BM_Render/width:1920/height:1080/threads:{cores}": 5.0,
            "BM_Render/width:1920/height:1080/threads:64": 0.1,  # more threads than cores: not judged
            "BM_Small/w:64/h:40/threads:1": 1.0,
            "BM_Small/w:64/h:40/threads:0": 1.25,  # 0: every core
            "BM_Sizeless/threads:1": 4.0,
            f"BM_Sizeless/threads:{cores}": 2.0,
            f"BM_NoSingle/3840x2160/threads:{cores}": 1.0,
        }
        rows = {r.case.split(" ")[2].rstrip(":"): r for r in compare.thread_rows(times)}
        self.assertEqual(sorted(rows), ["BM_Render/width:1920/height:1080", "BM_Sizeless", "BM_Small/w:64/h:40"])
        want = {  # (speed-up, target text, met)
            "BM_Render/width:1920/height:1080": (2.0, f"≥ {0.8 * cores:g}", "met" if cores <= 2 else "not met"),
            "BM_Small/w:64/h:40": (0.8, "≥ 1", "not met"),
            "BM_Sizeless": (2.0, "—", "—"),
        }
        for base, (ratio, target, met) in want.items():
            r = rows[base]
            self.assertAlmostEqual(r.ratio, ratio, msg=base)
            self.assertEqual(r.target[0] if r.target else "—", target, base)
            self.assertEqual(r.met(), met, base)


class Asked(dict):
    """Records every name a row builder looks up."""

    def __init__(self):
        super().__init__()
        self.names = set()

    def get(self, name, default=None):
        self.names.add(name)
        return default


class NamesThePrograms(unittest.TestCase):
    """Every name the table looks up is one the built program runs, so a renamed case shows here
    rather than as an empty row."""

    def test_programs_list_the_names(self):
        bench = os.environ.get("DUOVIS_BENCH_DIR")
        if not bench:
            self.skipTest("DUOVIS_BENCH_DIR names no build")
        kernel, floor, opencv, gpu = Asked(), Asked(), Asked(), Asked()
        compare.kernel_rows(kernel, {}, opencv, floor)
        compare.gpu_rows(gpu)
        for program, asked in [("bench_kernel", kernel), ("peers/peer_memory_floor", floor),
                               ("peers/peer_opencv_warp", opencv), ("bench_gpu", gpu)]:
            path = os.path.join(bench, program)
            if not os.path.exists(path):
                continue  # not built in this configuration
            listed = subprocess.run([path, "--benchmark_list_tests"], stdout=subprocess.PIPE, text=True,
                                    check=True).stdout.split()
            listed = {name.removesuffix("/real_time") for name in listed}
            self.assertFalse(asked.names - listed, program)


class RowJudgement(unittest.TestCase):
    def test_met(self):
        for row, want in [
            (compare.Row("x", 4.0, 10.0, target=compare.at_most(0.5)), "met"),
            (compare.Row("x", 6.0, 10.0, target=compare.at_most(0.5)), "not met"),
            (compare.Row("x", 6.0, None, target=compare.at_most(0.5)), "no figure"),
            (compare.Row("x", 6.0, 2.0, ratio=3.0, target=compare.at_least(3.0)), "met"),
            (compare.Row("x", 6.0, 10.0), "—"),
        ]:
            self.assertEqual(row.met(), want, (row.duovis, row.peer, row.ratio))


if __name__ == "__main__":
    unittest.main()
