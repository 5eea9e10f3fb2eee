#include "fakes/recording_writer.h"

#include "fakes/fake_kernel.h"
#include "output/time_file_writer.h"

namespace vardilo::fake {
Recording recording;
}

namespace vardilo {

void TimeFileWriter::writeTime(const Settings&, const TimeOfDay& time) {
  auto& r = fake::recording;
  ++r.calls;
  r.last = time;
  r.countAtLastWrite = fake::kernel.count;
  if (r.times.size() < r.keep) r.times.push_back(time);
  if (r.check != nullptr) r.check(r.calls, time);
  if (r.calls == r.stopAfterCalls) throw fake::StopLoop{};
}

}  // namespace vardilo
