#include "plant/plant_state.h"

#include "model/model.h"

PlantState PlantStateOfModel(const UnitModel& model) {
    const int32_t alarms = Load(model.alarms.AlarmBits);
    const int32_t cut = Load(model.ActiveCut);
    return {Load(model.connection.NotConnected) == 0, cut >= 0 && cut < kCutCount ? cut : -1,
            (alarms & kAlarmBreak) != 0, (alarms & kAlarmBlunt) != 0, (alarms & kAlarmMissing) != 0};
}
